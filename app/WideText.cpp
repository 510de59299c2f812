#include "app/WideText.h"

#include <windows.h>

namespace {
constexpr UINT kGbkCodePage = 936;
}

std::wstring WideFromGbk(const std::string& text)
{
    if (text.empty()) return {};
    const int nBytes = static_cast<int>(text.size());
    const int nChars = MultiByteToWideChar(kGbkCodePage, 0, text.data(), nBytes, nullptr, 0);
    if (nChars <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(nChars), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, text.data(), nBytes, wide.data(), nChars);
    return wide;
}
