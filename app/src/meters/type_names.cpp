#include "type_names.hpp"

#include <QStringDecoder>

QString ShowTypeName(const std::string& name) {
    const QByteArrayView bytes(name.data(), static_cast<qsizetype>(name.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    if (gb.isValid())
        return gb.decode(bytes);
    // Without a GB18030 codec the name still shows, with its undecodable bytes replaced.
    return text;
}
