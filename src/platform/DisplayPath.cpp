#include "platform/DisplayPath.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <sys/stat.h>

QString DisplayPath(std::string_view bytes)
{
    QString text;
    DecodeUtf8OrCp932(bytes, text);  // else UTF-8 with U+FFFD: nothing is dropped
    return text;
}

bool DecodeUtf8OrCp932(std::string_view bytes, QString& text)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = utf8.decode(view);
    if (!utf8.hasError())
        return true;
    QStringDecoder shiftJis("Shift_JIS", QStringDecoder::Flag::Stateless);
    if (!shiftJis.isValid())
        return false;
    QString decoded = shiftJis.decode(view);
    if (shiftJis.hasError())
        return false;
    text = std::move(decoded);
    return true;
}

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string TypedPath(const QString& text)
{
    const std::string utf8 = FromQtFileName(text);
    if (utf8.empty() || utf8[0] != '/' || Exists(utf8))
        return utf8;
    std::string path;
    const QStringList parts = text.split(u'/');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        std::string part = FromQtFileName(parts[i]);
        if (!part.empty() && !Exists(path + '/' + part)) {
            QStringEncoder shiftJis("Shift_JIS", QStringEncoder::Flag::Stateless);
            const QByteArray spelled = shiftJis.encode(parts[i]);
            if (shiftJis.isValid() && !shiftJis.hasError() && Exists(path + '/' + spelled.toStdString()))
                part = spelled.toStdString();
        }
        path += '/' + part;
    }
    return path;
}

QString QtFileName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string FromQtFileName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}
