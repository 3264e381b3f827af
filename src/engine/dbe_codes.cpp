#include "dbe_codes.h"

const char *DbeStatusText(int32_t code) {
    switch (code) {
    case DBE_SUCCESS: return "";
    case DBE_E_BUFFER_TOO_SMALL: return "The buffer is too small for the value.";
    case DBE_E_NOT_CUSTOM_INDEX: return "The index is not a custom index.";
    case DBE_E_RECORD_NOT_FOUND: return "The record does not exist.";
    case DBE_E_INVALID_CONNECTION: return "Invalid connection handle.";
    case DBE_E_NO_FILTER: return "No filter is set on the table.";
    case DBE_E_NO_SCOPE: return "No scope is set on the index.";
    case DBE_E_NO_KEY_POSITION: return "The key position cannot be determined.";
    case DBE_E_PERMISSION_DENIED: return "Permission denied.";
    case DBE_E_STATIC_VIEW: return "The table is a static view.";
    case DBE_E_NO_CURRENT_RECORD: return "There is no current record.";
    case DBE_E_NO_UPDATE_PENDING: return "No update is pending.";
    case DBE_E_LAYER_ERROR: return "Database layer error.";
    case DBE_E_TABLE_NOT_IN_DICTIONARY: return "The table is not in the data dictionary.";
    case DBE_E_PROPERTY_NOT_SET: return "The property is not set.";
    case DBE_E_RECORD_CHANGED: return "The record was changed by another user.";
    case DBE_E_INVALID_HANDLE: return "Invalid handle.";
    case DBE_E_INVALID_ARGUMENT: return "Invalid argument.";
    case DBE_E_FIELD_NOT_FOUND: return "Field not found.";
    case DBE_E_INDEX_NOT_FOUND: return "Index tag not found.";
    case DBE_E_TABLE_NOT_FOUND: return "Table file not found.";
    case DBE_E_NOT_A_TABLE: return "The file is not a valid table.";
    case DBE_E_TABLE_LOCKED: return "The table is opened exclusively by another user.";
    case DBE_E_TABLE_EXISTS: return "The table already exists.";
    case DBE_E_RECORD_LOCKED: return "The record is locked by another user.";
    case DBE_E_READ_ONLY: return "The table is opened read-only.";
    case DBE_E_DUPLICATE_KEY: return "Duplicate key in a unique index.";
    case DBE_E_IO: return "Storage error.";
    case DBE_E_SERVER_UNAVAILABLE: return "No server of the requested type is available.";
    case DBE_E_LOGIN_FAILED: return "Invalid user name or password.";
    case DBE_E_FILTER_SYNTAX: return "Error in the filter expression.";
    case DBE_E_VALUE_CONVERSION: return "The value cannot be converted to the field's type.";
    case DBE_E_UNREADABLE_TEXT: return "A stored text cannot be read.";
    case DBE_E_PATH_NOT_FOUND: return "The database path does not exist.";
    case DBE_E_WRONG_FIELD_TYPE: return "The operation does not apply to this field type.";
    case DBE_E_OUT_OF_MEMORY:
        return "Not enough memory for the operation.";
    case DBE_E_INTERNAL:
        return "Internal error of the table engine:";
    default: return "";
    }
}
