#pragma once
// Reading and writing single registry values without ever reading past the data that
// the registry returned.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

// Copies a value's text, up to its first NUL or the end of its data, into a field of
// the given capacity, cut to fit. False (field unchanged) when the value cannot be read
// into a buffer of querySize bytes.
bool ReadTextValue(HKEY key, const char* name, char* field, size_t capacity, DWORD querySize);
// Reads the first 4 bytes of a value, little-endian. False (field unchanged) when the
// value cannot be read into querySize bytes or holds fewer than 4 bytes.
bool ReadNumberValue(HKEY key, const char* name, uint32_t& field, DWORD querySize);

// Stores the text and its terminating NUL, through `set` (the registry's by default).
using ValueSetter = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
LONG WriteTextValue(HKEY key, const char* name, std::string_view text, ValueSetter set = &RegSetValueExA);
LONG WriteNumberValue(HKEY key, const char* name, uint32_t value, ValueSetter set = &RegSetValueExA);
