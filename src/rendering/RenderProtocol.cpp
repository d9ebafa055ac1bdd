#include "rendering/RenderProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

QByteArray compactLine(const QJsonObject& object)
{
    QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    line.append('\n');
    return line;
}

bool parseObject(const QByteArray& line, QJsonObject* object, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &parseError);
    if (!document.isObject()) {
        *error = parseError.error == QJsonParseError::NoError ? QStringLiteral("not a JSON object")
                                                              : parseError.errorString();
        return false;
    }
    *object = document.object();
    return true;
}

} // namespace

QByteArray RenderProtocol::requestLine(const Request& request)
{
    QJsonObject object;
    object.insert(QLatin1String("id"), double(request.id));
    object.insert(QLatin1String("url"), QString::fromUtf8(request.url.toEncoded()));
    object.insert(QLatin1String("timeoutMs"), request.limits.timeoutMs);
    object.insert(QLatin1String("quietMs"), request.limits.quietMs);
    object.insert(QLatin1String("maxBytes"), double(request.limits.maxBytes));
    object.insert(QLatin1String("userAgent"), request.limits.userAgent);
    return compactLine(object);
}

bool RenderProtocol::parseRequest(const QByteArray& line, Request* request, QString* error)
{
    QJsonObject object;
    if (!parseObject(line, &object, error))
        return false;
    Request parsed;
    parsed.id = quint64(object.value(QLatin1String("id")).toDouble(0));
    parsed.url = QUrl(object.value(QLatin1String("url")).toString(), QUrl::StrictMode);
    const RenderLimits defaults;
    parsed.limits.timeoutMs = object.value(QLatin1String("timeoutMs")).toInt(defaults.timeoutMs);
    parsed.limits.quietMs = object.value(QLatin1String("quietMs")).toInt(defaults.quietMs);
    parsed.limits.maxBytes =
        qint64(object.value(QLatin1String("maxBytes")).toDouble(double(defaults.maxBytes)));
    parsed.limits.userAgent = object.value(QLatin1String("userAgent")).toString(defaults.userAgent);
    *request = parsed;
    const QString scheme = parsed.url.scheme();
    if (!parsed.url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        *error = QStringLiteral("not an http or https address");
        return false;
    }
    if (parsed.limits.timeoutMs <= 0 || parsed.limits.quietMs < 0 || parsed.limits.maxBytes <= 0) {
        *error = QStringLiteral("limits out of range");
        return false;
    }
    return true;
}

QByteArray RenderProtocol::answerLine(quint64 id, const RenderResult& result)
{
    QJsonObject object;
    object.insert(QLatin1String("id"), double(id));
    object.insert(QLatin1String("url"), QString::fromUtf8(result.finalUrl.toEncoded()));
    object.insert(QLatin1String("status"), result.status);
    object.insert(QLatin1String("ms"), double(result.elapsedMs));
    object.insert(QLatin1String("end"), renderEndText(result.end));
    object.insert(QLatin1String("error"), result.error);
    object.insert(QLatin1String("html"), result.html);
    return compactLine(object);
}

bool RenderProtocol::parseAnswer(const QByteArray& line, quint64* id, RenderResult* result)
{
    QJsonObject object;
    QString error;
    if (!parseObject(line, &object, &error))
        return false;
    RenderResult parsed;
    if (!object.value(QLatin1String("id")).isDouble() ||
        !renderEndFromText(object.value(QLatin1String("end")).toString(), &parsed.end))
        return false;
    *id = quint64(object.value(QLatin1String("id")).toDouble());
    parsed.finalUrl = QUrl(object.value(QLatin1String("url")).toString());
    parsed.status = object.value(QLatin1String("status")).toInt();
    parsed.elapsedMs = qint64(object.value(QLatin1String("ms")).toDouble());
    parsed.error = object.value(QLatin1String("error")).toString();
    parsed.html = object.value(QLatin1String("html")).toString();
    *result = parsed;
    return true;
}
