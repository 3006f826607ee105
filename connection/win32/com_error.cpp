#include "connection/win32/com_error.h"

#include <oleauto.h>

#include "common/com_ptr.h"
#include "common/win32/com_handles.h"

namespace quorvel::connection::win32 {
namespace {

using com::Bstr;
using com::ComPtr;
using com::Variant;

Text FromErrorInfo() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) != S_OK || !info) return Text();
  Bstr description;
  if (FAILED(info->GetDescription(description.Put()))) return Text();
  return description.ToText();
}

Text FromErrorsCollection(ado::Connection* connection) {
  if (connection == nullptr) return Text();
  ComPtr<ado::Errors> errors;
  if (FAILED(connection->get_Errors(&errors)) || !errors) return Text();
  LONG count = 0;
  if (FAILED(errors->get_Count(&count)) || count <= 0) return Text();
  Variant index;
  index.SetInt(0);
  ComPtr<ado::Error> first;
  if (FAILED(errors->get_Item(index.Get(), &first)) || !first) {
    return Text();
  }
  Bstr description;
  if (FAILED(first->get_Description(description.Put()))) return Text();
  return description.ToText();
}

}  // namespace

void ClearErrorInfo() { SetErrorInfo(0, nullptr); }

PendingError DescribeFailure(HRESULT result, ado::Connection* connection) {
  PendingError error;
  error.number = static_cast<int32_t>(result);
  // Error information first: the next call on any object may clear it.
  error.description = FromErrorInfo();
  if (error.description.empty()) {
    error.description = FromErrorsCollection(connection);
  }
  if (error.description.empty()) error.description = com::ErrorText(result);
  return error;
}

}  // namespace quorvel::connection::win32
