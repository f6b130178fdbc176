#include "CodePage.h"

#include <windows.h>

namespace {

std::optional<std::wstring> Wide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), size);
  return wide;
}

bool IsUtf8(UINT codePage, const CodePageSystem& system) {
  return codePage == CP_UTF8 || (codePage == CP_ACP && system.ansiCodePage() == CP_UTF8);
}

// `lossless`: nothing when a character has no exact equivalent in the code page. UTF-8
// has one for every character, and WideCharToMultiByte refuses the best-fit flag and
// the default-character question for it (ERROR_INVALID_PARAMETER), so it is asked neither.
std::optional<std::string> Narrow(UINT codePage, const std::wstring& wide, bool lossless,
                                  const CodePageSystem& system = kSystemCodePage) {
  if (wide.empty()) return std::string();
  lossless = lossless && !IsUtf8(codePage, system);
  const int length = static_cast<int>(wide.size());
  BOOL defaulted = FALSE;
  BOOL* defaultUsed = lossless ? &defaulted : nullptr;
  const DWORD flags = lossless ? WC_NO_BEST_FIT_CHARS : 0;
  const int size = system.toMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, defaultUsed);
  if (size <= 0 || defaulted) return std::nullopt;
  std::string text(static_cast<size_t>(size), '\0');
  system.toMultiByte(codePage, flags, wide.data(), length, text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace

std::string AnsiToUtf8(std::string_view text) {
  std::optional<std::wstring> wide = Wide(CP_ACP, 0, text);
  return wide ? Narrow(CP_UTF8, *wide, false).value_or("") : std::string();
}

std::optional<std::string> Utf8ToAnsi(std::string_view text) { return Utf8ToAnsiOn(kSystemCodePage, text); }

std::optional<std::string> Utf8ToAnsiOn(const CodePageSystem& system, std::string_view text) {
  std::optional<std::wstring> wide = Wide(CP_UTF8, MB_ERR_INVALID_CHARS, text);
  if (!wide) return std::nullopt;
  return Narrow(CP_ACP, *wide, true, system);
}
