#include "app/game_file.h"

#include <sys/stat.h>

#include <QByteArray>
#include <QRegularExpression>

#include "platform/platform.h"

QString ArgumentText(const char* arg) {
    QString text;
    const QByteArray bytes(arg);
    qsizetype i = 0;
    while (i < bytes.size()) {
        // The longest valid UTF-8 sequence at i, or one byte kept as is.
        const auto lead = static_cast<unsigned char>(bytes[i]);
        qsizetype len = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                      : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (len > 1 && i + len <= bytes.size()) {
            const QString part = QString::fromUtf8(bytes.mid(i, len));
            if (part.toUtf8() == bytes.mid(i, len) && !part.contains(QChar::ReplacementCharacter)) {
                text += part;
                i += len;
                continue;
            }
        } else if (len == 1) {
            text += QChar(lead);
            ++i;
            continue;
        }
        text += QChar(static_cast<char16_t>(0xDC00 + lead));
        ++i;
    }
    return text;
}

std::string GameFilePath(const QString& param) {
    // file://host/path with an empty host or "localhost"; the path's escapes
    // are bytes ("%E9" is the byte 0xE9, whatever the encoding).
    if (param.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive)) {
        const QString rest = param.mid(7);
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        const QString host = slash < 0 ? rest : rest.left(slash);
        if (slash >= 0 && (host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)) {
            QString path = rest.mid(slash);
            const qsizetype cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
            if (cut >= 0) path.truncate(cut);
            return QByteArray::fromPercentEncoding(GameFilePath(path).c_str()).toStdString();
        }
    }
    std::string path;
    for (qsizetype i = 0; i < param.size(); ++i) {
        const char16_t u = param[i].unicode();
        if (u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && param[i - 1].isHighSurrogate())) {
            path += static_cast<char>(u - 0xDC00);  // a byte that was not UTF-8
            continue;
        }
        qsizetype n = 1;
        if (param[i].isHighSurrogate() && i + 1 < param.size() && param[i + 1].isLowSurrogate()) n = 2;
        path += param.mid(i, n).toUtf8().toStdString();
        i += n - 1;
    }
    return path;
}

QString NoGameFileText(const std::string& file) {
    struct stat st;
    const QString path = TextFromBytes(file);
    if (::stat(file.c_str(), &st) != 0) return QStringLiteral("PGN file ") + path + QStringLiteral(" does not exist");
    if (S_ISDIR(st.st_mode)) return path + QStringLiteral(" is a folder, not a game file");
    return path + QStringLiteral(" is not a regular file");
}
