#pragma once

#include <QString>

// The network layer's user-visible texts, in one place.
namespace NetTexts {
// A page text that could not be decoded (followed by the reason), and the reason for an unknown character set
// (%1: its name).
inline const QString kDecodingFailed = QStringLiteral("编码转换出错：");
inline const QString kUnknownCharset = QStringLiteral("不支持的字符集 %1");
// Why an address is not fetched: only http and https addresses are.
inline const QString kNotWebAddress = QStringLiteral("不是http(s)网址");
// The page's temporary file could not be written (%1: the file, %2: the system's reason).
inline const QString kTemporaryFileFailed = QStringLiteral("临时文件写入出错（%1）：%2");
} // namespace NetTexts
