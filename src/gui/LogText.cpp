// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LogText.h"

#include <QStringDecoder>

QString displayText(const std::string& text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (utf8.hasError()) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return decoded;
}

QString withControlPictures(QString text)
{
    constexpr char16_t pictures = 0x2400;  // U+2400 shows NUL, U+2401 SOH, ... U+241F US
    constexpr char16_t deletePicture = 0x2421;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(static_cast<char16_t>(pictures + u));
        else if (u == 0x7F)
            c = QChar(deletePicture);
        else if ((u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = QChar::ReplacementCharacter;
    }
    return text;
}
