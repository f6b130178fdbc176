#pragma once
// Texts between the system's ANSI code page, in which the registry and the spooler
// give them to the program, and UTF-8, in which JSON carries them.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

std::string AnsiToUtf8(std::string_view text);

// The system's code page and conversion, which a test replaces with Windows' documented
// behaviour where Wine's differs (Wine takes the best-fit flag for UTF-8, Windows refuses it).
struct CodePageSystem {
  UINT(WINAPI* ansiCodePage)();
  int(WINAPI* toMultiByte)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);
};
inline constexpr CodePageSystem kSystemCodePage{&GetACP, &WideCharToMultiByte};

// Nothing when the text is not UTF-8 or holds a character that the code page lacks.
std::optional<std::string> Utf8ToAnsi(std::string_view text);
// The same through the given system.
std::optional<std::string> Utf8ToAnsiOn(const CodePageSystem& system, std::string_view text);
