#pragma once

#include <string>

// The program's texts are GBK bytes. The window shows them through the wide-character calls,
// converted from code page 936 explicitly, so they read right on a Windows of any language.
std::wstring WideFromGbk(const std::string& text);
