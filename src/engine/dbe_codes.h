// Every status code the engine answers with. 0 is success; every other value
// is an error whose text DbeGetLastError / DbeGetErrorString deliver.
//
// The codes that the database layer gives a meaning to keep their numbers, so
// that the layer can tell "no filter set" from "buffer too small" and so on.
#pragma once

#include <cstdint>

enum DbeStatus : int32_t {
    DBE_SUCCESS = 0,

    // Answers the database layer relies on.
    DBE_E_BUFFER_TOO_SMALL = 5005, // also: "a value exists" when asked with no buffer
    DBE_E_NOT_CUSTOM_INDEX = 5017,
    DBE_E_RECORD_NOT_FOUND = 5022, // a record number that does not (or no longer) exist
    DBE_E_INVALID_CONNECTION = 5024,
    DBE_E_NO_FILTER = 5037,
    DBE_E_NO_SCOPE = 5038,
    DBE_E_NO_KEY_POSITION = 5041,
    DBE_E_PERMISSION_DENIED = 5054,
    DBE_E_STATIC_VIEW = 5064,
    DBE_E_NO_CURRENT_RECORD = 5068, // positioned at BOF or EOF
    DBE_E_NO_UPDATE_PENDING = 5085,
    DBE_E_LAYER_ERROR = 5121, // the database layer's own messages
    DBE_E_TABLE_NOT_IN_DICTIONARY = 5132,
    DBE_E_PROPERTY_NOT_SET = 5138,
    DBE_E_RECORD_CHANGED = 5186, // the database layer's optimistic check

    // The engine's own failures.
    DBE_E_INVALID_HANDLE = 5010,
    DBE_E_INVALID_ARGUMENT = 5011,
    DBE_E_FIELD_NOT_FOUND = 5012,
    DBE_E_INDEX_NOT_FOUND = 5013,
    DBE_E_TABLE_NOT_FOUND = 5014,
    DBE_E_NOT_A_TABLE = 5015,
    DBE_E_TABLE_LOCKED = 5016, // opened exclusively elsewhere, or exclusive open refused
    DBE_E_TABLE_EXISTS = 5018,
    DBE_E_RECORD_LOCKED = 5035, // held by another process or handle
    DBE_E_READ_ONLY = 5040,
    DBE_E_DUPLICATE_KEY = 5045,
    DBE_E_IO = 5050,
    DBE_E_SERVER_UNAVAILABLE = 5060,
    DBE_E_LOGIN_FAILED = 5061,
    DBE_E_FILTER_SYNTAX = 5070,
    DBE_E_VALUE_CONVERSION = 5075,
    DBE_E_UNREADABLE_TEXT = 5076,  // a stored text the engine cannot deliver unchanged
    DBE_E_PATH_NOT_FOUND = 5080,
    DBE_E_WRONG_FIELD_TYPE = 5090,
    DBE_E_OUT_OF_MEMORY = 5098,
    DBE_E_INTERNAL = 5099, // a fault inside the engine; the text names it
};

// The engine's text for one of its codes ("" for codes it does not know).
const char *DbeStatusText(int32_t code);
