// The methods of the ADO interfaces that the program never calls, each
// answered by Object::Unused: the stand-in's classes derive from these and
// define what the program does call, so each shows what is scripted and
// nothing else.
#pragma once

#include "tests/ado_standin/objects.h"

namespace quorvel::standin {

class ErrorStub : public Object<ado::Error> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(get_Number, LONG*)
  QUORVEL_UNUSED(get_Source, BSTR*)
  QUORVEL_UNUSED(get_HelpFile, BSTR*)
  QUORVEL_UNUSED(get_HelpContext, LONG*)
  QUORVEL_UNUSED(get_SQLState, BSTR*)
  QUORVEL_UNUSED(get_NativeError, LONG*)
};

class ErrorsStub : public Object<ado::Errors> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(NewEnum, IUnknown**)
  QUORVEL_UNUSED(Refresh)
  QUORVEL_UNUSED(Clear)
};

class ParameterStub : public Object<ado::Parameter> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED(get_Name, BSTR*)
  QUORVEL_UNUSED(put_Name, BSTR)
  QUORVEL_UNUSED(get_Value, VARIANT*)
  QUORVEL_UNUSED(get_Type, LONG*)
  QUORVEL_UNUSED(put_Type, LONG)
  QUORVEL_UNUSED(put_Direction, LONG)
  QUORVEL_UNUSED(get_Direction, LONG*)
  QUORVEL_UNUSED(put_Precision, BYTE)
  QUORVEL_UNUSED(get_Precision, BYTE*)
  QUORVEL_UNUSED(put_NumericScale, BYTE)
  QUORVEL_UNUSED(get_NumericScale, BYTE*)
  QUORVEL_UNUSED(put_Size, LONG)
  QUORVEL_UNUSED(get_Size, LONG*)
  QUORVEL_UNUSED(AppendChunk, VARIANT)
  QUORVEL_UNUSED(get_Attributes, LONG*)
  QUORVEL_UNUSED(put_Attributes, LONG)
};

class ParametersStub : public Object<ado::Parameters> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(get_Count, LONG*)
  QUORVEL_UNUSED(NewEnum, IUnknown**)
  QUORVEL_UNUSED(Append, IDispatch*)
  QUORVEL_UNUSED(Delete, VARIANT)
};

class ConnectionStub : public Object<ado::Connection> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED(get_ConnectionString, BSTR*)
  QUORVEL_UNUSED(get_CommandTimeout, LONG*)
  QUORVEL_UNUSED(get_ConnectionTimeout, LONG*)
  QUORVEL_UNUSED(put_ConnectionTimeout, LONG)
  QUORVEL_UNUSED(get_Version, BSTR*)
  QUORVEL_UNUSED(Execute, BSTR, VARIANT*, LONG, IUnknown**)
  QUORVEL_UNUSED(BeginTrans, LONG*)
  QUORVEL_UNUSED(CommitTrans)
  QUORVEL_UNUSED(RollbackTrans)
  QUORVEL_UNUSED(get_DefaultDatabase, BSTR*)
  QUORVEL_UNUSED(put_DefaultDatabase, BSTR)
  QUORVEL_UNUSED(get_IsolationLevel, LONG*)
  QUORVEL_UNUSED(put_IsolationLevel, LONG)
  QUORVEL_UNUSED(get_Attributes, LONG*)
  QUORVEL_UNUSED(put_Attributes, LONG)
  QUORVEL_UNUSED(get_CursorLocation, LONG*)
  QUORVEL_UNUSED(put_CursorLocation, LONG)
  QUORVEL_UNUSED(get_Mode, LONG*)
  QUORVEL_UNUSED(put_Mode, LONG)
  QUORVEL_UNUSED(get_Provider, BSTR*)
  QUORVEL_UNUSED(get_State, LONG*)
  QUORVEL_UNUSED(OpenSchema, LONG, VARIANT, VARIANT, IUnknown**)
  QUORVEL_UNUSED(Cancel)
};

class CommandStub : public Object<ado::Command> {
 public:
  using Object::Object;
  QUORVEL_UNUSED(get_Properties, IDispatch**)
  QUORVEL_UNUSED(get_ActiveConnection, ado::Connection**)
  QUORVEL_UNUSED(putref_ActiveConnection, ado::Connection*)
  QUORVEL_UNUSED(get_CommandText, BSTR*)
  QUORVEL_UNUSED(get_CommandTimeout, LONG*)
  QUORVEL_UNUSED(put_CommandTimeout, LONG)
  QUORVEL_UNUSED(get_Prepared, VARIANT_BOOL*)
  QUORVEL_UNUSED(put_Prepared, VARIANT_BOOL)
  QUORVEL_UNUSED(CreateParameter, BSTR, LONG, LONG, LONG, VARIANT,
                 ado::Parameter**)
  QUORVEL_UNUSED(get_CommandType, LONG*)
  QUORVEL_UNUSED(get_Name, BSTR*)
  QUORVEL_UNUSED(put_Name, BSTR)
  QUORVEL_UNUSED(get_State, LONG*)
  QUORVEL_UNUSED(Cancel)
  QUORVEL_UNUSED(putref_CommandStream, IUnknown*)
  QUORVEL_UNUSED(get_CommandStream, VARIANT*)
  QUORVEL_UNUSED(put_Dialect, BSTR)
  QUORVEL_UNUSED(get_Dialect, BSTR*)
  QUORVEL_UNUSED(put_NamedParameters, VARIANT_BOOL)
  QUORVEL_UNUSED(get_NamedParameters, VARIANT_BOOL*)
};

}  // namespace quorvel::standin
