#include "platform/DisplayPath.h"

#include <QFile>
#include <QStringDecoder>

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

QString QtFileName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string FromQtFileName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}
