// Every method of the ADO interfaces answered by Object::Unused: the
// stand-in's classes derive from these and override only what the program
// calls, so each shows what is scripted and nothing else.
#pragma once

#include "tests/ado_standin/objects.h"

namespace quorvel::standin {

class ErrorStub : public Object<ado::Error> {
 public:
  using Object::Object;
  STDMETHODIMP get_Number(LONG*) override { return Unused(__func__); }
  STDMETHODIMP get_Source(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP get_Description(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP get_HelpFile(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP get_HelpContext(LONG*) override { return Unused(__func__); }
  STDMETHODIMP get_SQLState(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP get_NativeError(LONG*) override { return Unused(__func__); }
};

class ErrorsStub : public Object<ado::Errors> {
 public:
  using Object::Object;
  STDMETHODIMP get_Count(LONG*) override { return Unused(__func__); }
  STDMETHODIMP NewEnum(IUnknown**) override { return Unused(__func__); }
  STDMETHODIMP Refresh() override { return Unused(__func__); }
  STDMETHODIMP get_Item(VARIANT, ado::Error**) override {
    return Unused(__func__);
  }
  STDMETHODIMP Clear() override { return Unused(__func__); }
};

class ParameterStub : public Object<ado::Parameter> {
 public:
  using Object::Object;
  STDMETHODIMP get_Properties(IDispatch**) override { return Unused(__func__); }
  STDMETHODIMP get_Name(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_Name(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_Value(VARIANT*) override { return Unused(__func__); }
  STDMETHODIMP put_Value(VARIANT) override { return Unused(__func__); }
  STDMETHODIMP get_Type(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_Type(LONG) override { return Unused(__func__); }
  STDMETHODIMP put_Direction(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Direction(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_Precision(BYTE) override { return Unused(__func__); }
  STDMETHODIMP get_Precision(BYTE*) override { return Unused(__func__); }
  STDMETHODIMP put_NumericScale(BYTE) override { return Unused(__func__); }
  STDMETHODIMP get_NumericScale(BYTE*) override { return Unused(__func__); }
  STDMETHODIMP put_Size(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Size(LONG*) override { return Unused(__func__); }
  STDMETHODIMP AppendChunk(VARIANT) override { return Unused(__func__); }
  STDMETHODIMP get_Attributes(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_Attributes(LONG) override { return Unused(__func__); }
};

class ParametersStub : public Object<ado::Parameters> {
 public:
  using Object::Object;
  STDMETHODIMP get_Count(LONG*) override { return Unused(__func__); }
  STDMETHODIMP NewEnum(IUnknown**) override { return Unused(__func__); }
  STDMETHODIMP Refresh() override { return Unused(__func__); }
  STDMETHODIMP Append(IDispatch*) override { return Unused(__func__); }
  STDMETHODIMP Delete(VARIANT) override { return Unused(__func__); }
  STDMETHODIMP get_Item(VARIANT, ado::Parameter**) override {
    return Unused(__func__);
  }
};

class ConnectionStub : public Object<ado::Connection> {
 public:
  using Object::Object;
  STDMETHODIMP get_Properties(IDispatch**) override { return Unused(__func__); }
  STDMETHODIMP get_ConnectionString(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_ConnectionString(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_CommandTimeout(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_CommandTimeout(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_ConnectionTimeout(LONG*) override {
    return Unused(__func__);
  }
  STDMETHODIMP put_ConnectionTimeout(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Version(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP Close() override { return Unused(__func__); }
  STDMETHODIMP Execute(BSTR, VARIANT*, LONG, IUnknown**) override {
    return Unused(__func__);
  }
  STDMETHODIMP BeginTrans(LONG*) override { return Unused(__func__); }
  STDMETHODIMP CommitTrans() override { return Unused(__func__); }
  STDMETHODIMP RollbackTrans() override { return Unused(__func__); }
  STDMETHODIMP Open(BSTR, BSTR, BSTR, LONG) override {
    return Unused(__func__);
  }
  STDMETHODIMP get_Errors(ado::Errors**) override { return Unused(__func__); }
  STDMETHODIMP get_DefaultDatabase(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_DefaultDatabase(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_IsolationLevel(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_IsolationLevel(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Attributes(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_Attributes(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_CursorLocation(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_CursorLocation(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Mode(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_Mode(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Provider(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_Provider(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_State(LONG*) override { return Unused(__func__); }
  STDMETHODIMP OpenSchema(LONG, VARIANT, VARIANT, IUnknown**) override {
    return Unused(__func__);
  }
  STDMETHODIMP Cancel() override { return Unused(__func__); }
};

class CommandStub : public Object<ado::Command> {
 public:
  using Object::Object;
  STDMETHODIMP get_Properties(IDispatch**) override { return Unused(__func__); }
  STDMETHODIMP get_ActiveConnection(ado::Connection**) override {
    return Unused(__func__);
  }
  STDMETHODIMP putref_ActiveConnection(ado::Connection*) override {
    return Unused(__func__);
  }
  STDMETHODIMP put_ActiveConnection(VARIANT) override {
    return Unused(__func__);
  }
  STDMETHODIMP get_CommandText(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_CommandText(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_CommandTimeout(LONG*) override { return Unused(__func__); }
  STDMETHODIMP put_CommandTimeout(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_Prepared(VARIANT_BOOL*) override { return Unused(__func__); }
  STDMETHODIMP put_Prepared(VARIANT_BOOL) override { return Unused(__func__); }
  STDMETHODIMP Execute(VARIANT*, VARIANT*, LONG, IUnknown**) override {
    return Unused(__func__);
  }
  STDMETHODIMP CreateParameter(BSTR, LONG, LONG, LONG, VARIANT,
                               ado::Parameter**) override {
    return Unused(__func__);
  }
  STDMETHODIMP get_Parameters(ado::Parameters**) override {
    return Unused(__func__);
  }
  STDMETHODIMP put_CommandType(LONG) override { return Unused(__func__); }
  STDMETHODIMP get_CommandType(LONG*) override { return Unused(__func__); }
  STDMETHODIMP get_Name(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_Name(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_State(LONG*) override { return Unused(__func__); }
  STDMETHODIMP Cancel() override { return Unused(__func__); }
  STDMETHODIMP putref_CommandStream(IUnknown*) override {
    return Unused(__func__);
  }
  STDMETHODIMP get_CommandStream(VARIANT*) override { return Unused(__func__); }
  STDMETHODIMP put_Dialect(BSTR) override { return Unused(__func__); }
  STDMETHODIMP get_Dialect(BSTR*) override { return Unused(__func__); }
  STDMETHODIMP put_NamedParameters(VARIANT_BOOL) override {
    return Unused(__func__);
  }
  STDMETHODIMP get_NamedParameters(VARIANT_BOOL*) override {
    return Unused(__func__);
  }
};

}  // namespace quorvel::standin
