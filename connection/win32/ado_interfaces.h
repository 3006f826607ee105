// The ADO interfaces this program touches, declared here in ADO's own vtable
// order because mingw-w64's adoint.h does not compile as C++. Methods we never
// call are declared all the same: their slots fix the places of the ones we do.
#pragma once

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <oaidl.h>

namespace quorvel::connection::win32::ado {

// Every ADO GUID but _Command's ends in this tail.
#define QUORVEL_ADO_GUID(d1)                                               \
  {                                                                        \
    d1, 0x0000, 0x0010, { 0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4 } \
  }

inline constexpr CLSID kClsidConnection = QUORVEL_ADO_GUID(0x00000514);
inline constexpr CLSID kClsidCommand = QUORVEL_ADO_GUID(0x00000507);

// Current ADO answers the 0x15xx ids; older ADO, and Wine, the 0x05xx ones.
// The vtables behind both are the same.
inline constexpr IID kIidConnection = QUORVEL_ADO_GUID(0x00001550);
inline constexpr IID kIidConnectionOld = QUORVEL_ADO_GUID(0x00000550);
inline constexpr IID kIidConnection15 = QUORVEL_ADO_GUID(0x00001515);
inline constexpr IID kIidConnection15Old = QUORVEL_ADO_GUID(0x00000515);
inline constexpr IID kIidCommand = {
    0x986761E8,
    0x7269,
    0x4890,
    {0xAA, 0x65, 0xAD, 0x7C, 0x03, 0x69, 0x7A, 0x6D}};
inline constexpr IID kIidCommandOld = {
    0xB08400BD,
    0xF9D1,
    0x4D02,
    {0xB8, 0x56, 0x71, 0xD5, 0xDB, 0xA1, 0x23, 0xE9}};
inline constexpr IID kIidCommand25 = QUORVEL_ADO_GUID(0x0000154E);
inline constexpr IID kIidCommand25Old = QUORVEL_ADO_GUID(0x0000054E);
inline constexpr IID kIidCommand15 = QUORVEL_ADO_GUID(0x00001508);
inline constexpr IID kIidCommand15Old = QUORVEL_ADO_GUID(0x00000508);
inline constexpr IID kIidParameters = QUORVEL_ADO_GUID(0x0000150D);
inline constexpr IID kIidParametersOld = QUORVEL_ADO_GUID(0x0000050D);
inline constexpr IID kIidParameter = QUORVEL_ADO_GUID(0x0000150C);
inline constexpr IID kIidParameterOld = QUORVEL_ADO_GUID(0x0000050C);
inline constexpr IID kIidErrors = QUORVEL_ADO_GUID(0x00000501);
inline constexpr IID kIidError = QUORVEL_ADO_GUID(0x00000500);
inline constexpr IID kIidCollection = QUORVEL_ADO_GUID(0x00000512);
inline constexpr IID kIidDynaCollection = QUORVEL_ADO_GUID(0x00000513);
inline constexpr IID kIidAdoObject = QUORVEL_ADO_GUID(0x00000534);

#undef QUORVEL_ADO_GUID

inline constexpr LONG kOptionUnspecified = -1;

// ADO's Error.
struct Error : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Number(LONG* number) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Source(BSTR* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* description) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* help_file) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HelpContext(LONG* help_context) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SQLState(BSTR* sql_state) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NativeError(LONG* native_error) = 0;
};

// _Collection.
struct Collection : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE NewEnum(IUnknown** enumerator) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
};

// _DynaCollection.
struct DynaCollection : Collection {
  virtual HRESULT STDMETHODCALLTYPE Append(IDispatch* object) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(VARIANT index) = 0;
};

struct Errors : Collection {
  virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Error** item) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
};

// _ADO, the base of every ADO object interface.
struct AdoObject : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Properties(IDispatch** properties) = 0;
};

// _Parameter.
struct Parameter : AdoObject {
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Direction(LONG direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Direction(LONG* direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Precision(BYTE precision) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Precision(BYTE* precision) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_NumericScale(BYTE scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumericScale(BYTE* scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Size(LONG size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Size(LONG* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE AppendChunk(VARIANT chunk) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Attributes(LONG* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Attributes(LONG attributes) = 0;
};

struct Parameters : DynaCollection {
  virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index,
                                             Parameter** item) = 0;
};

// _Connection (Connection15 plus Cancel).
struct Connection : AdoObject {
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR text) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG* seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(LONG seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(LONG* seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(LONG seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE Execute(BSTR command_text,
                                            VARIANT* records_affected,
                                            LONG options,
                                            IUnknown** recordset) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginTrans(LONG* level) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommitTrans() = 0;
  virtual HRESULT STDMETHODCALLTYPE RollbackTrans() = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(BSTR connection_string, BSTR user_id,
                                         BSTR password, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Errors(Errors** errors) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DefaultDatabase(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DefaultDatabase(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsolationLevel(LONG* level) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsolationLevel(LONG level) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Attributes(LONG* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Attributes(LONG attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CursorLocation(LONG* location) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CursorLocation(LONG location) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Provider(BSTR* provider) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Provider(BSTR provider) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenSchema(LONG schema,
                                               VARIANT restrictions,
                                               VARIANT schema_id,
                                               IUnknown** recordset) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};

// _Command (Command15, Command25, then its own additions).
struct Command : AdoObject {
  virtual HRESULT STDMETHODCALLTYPE
  get_ActiveConnection(Connection** connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  putref_ActiveConnection(Connection* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  put_ActiveConnection(VARIANT connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandText(BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CommandText(BSTR text) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG* seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(LONG seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Prepared(VARIANT_BOOL* prepared) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Prepared(VARIANT_BOOL prepared) = 0;
  virtual HRESULT STDMETHODCALLTYPE Execute(VARIANT* records_affected,
                                            VARIANT* parameters, LONG options,
                                            IUnknown** recordset) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateParameter(BSTR name, LONG type,
                                                    LONG direction, LONG size,
                                                    VARIANT value,
                                                    Parameter** parameter) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Parameters(Parameters** parameters) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CommandType(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandType(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_CommandStream(IUnknown* stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandStream(VARIANT* stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Dialect(BSTR dialect) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Dialect(BSTR* dialect) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_NamedParameters(VARIANT_BOOL named) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_NamedParameters(VARIANT_BOOL* named) = 0;
};

}  // namespace quorvel::connection::win32::ado
