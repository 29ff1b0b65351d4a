#include "update/autoupdate.h"

#include "core/controllerstate.h"
#include "update/updatelog.h"
#include "update/updaterlauncher.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUuid>

const char AutoUpdate::kDefaultServiceUrl[] = "http://update.zaldo.invalid";
const char AutoUpdate::kServicePath[] = "/download/getVersionV1";
const char AutoUpdate::kModelCode[] = "Bv008";

namespace {

// Hand-over files are a few bytes; anything larger is not ours.
constexpr qint64 kMaxLocalFileBytes = 4096;

bool isServiceUrl(const QUrl &url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        && !url.host().isEmpty();
}

} // namespace

AutoUpdate::AutoUpdate(const QString &dataDirectory, const QString &serviceUrl, UpdaterLauncher &launcher,
                       const ControllerState &state, QObject *parent)
    : QObject(parent), m_dataDir(dataDirectory), m_launcher(launcher), m_state(state),
      m_runningVersion(state.softwareVersion)
{
    const QString text = serviceUrl.isEmpty() ? defaultServiceUrl() : serviceUrl;
    QUrl base(text, QUrl::StrictMode);
    if (!isServiceUrl(base)) {
        qCWarning(lcUpdate) << "update service URL refused, using the default:" << text;
        base = QUrl(QLatin1String(kDefaultServiceUrl));
    }
    QString path = base.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    base.setPath(path + QLatin1String(kServicePath));
    base.setQuery(QString());
    base.setFragment(QString());
    m_requestUrl = base;

    m_manager = new QNetworkAccessManager(this);
    connect(m_manager, &QNetworkAccessManager::finished, this, &AutoUpdate::finishedSlot);
    removeFile("/BV_update.exe", nullptr);
}

QString AutoUpdate::defaultServiceUrl()
{
    const QString env = qEnvironmentVariable("ZALDO_UPDATE_URL");
    return env.isEmpty() ? QString::fromLatin1(kDefaultServiceUrl) : env;
}

QString AutoUpdate::filePath(const char *name) const
{
    return m_dataDir + QLatin1String(name);
}

QByteArray AutoUpdate::requestJson(const QJsonObject &members)
{
    return QJsonDocument(members).toJson(QJsonDocument::Indented);
}

QByteArray AutoUpdate::requestBody(const QJsonObject &members)
{
    return QByteArrayLiteral("ActiveData=") + requestJson(members).toBase64();
}

void AutoUpdate::post(const QJsonObject &members, const char *logPrefix)
{
    if (m_requestsSent >= kMaxRequestsPerRun) {
        qCWarning(lcUpdate) << "update request limit reached, not sent:" << logPrefix;
        return;
    }
    const QByteArray json = requestJson(members);
    const QByteArray body = requestBody(members);
    qCDebug(lcUpdate).noquote() << "strJson:" << QString::fromUtf8(json) << ", activeData:" << json
                                << ", aa.base64:" << json.toBase64();
    qCDebug(lcUpdate).noquote() << logPrefix << body;

    QNetworkRequest request(m_requestUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_transferTimeoutMs);
    ++m_requestsSent;
    guardReply(m_manager->post(request, body));
}

void AutoUpdate::guardReply(QNetworkReply *reply)
{
    auto tooLarge = [reply](qint64 bytes) {
        if (bytes > kMaxReplyBytes && reply->isRunning()) {
            qCWarning(lcUpdate) << "update reply too large, aborted:" << bytes << "bytes";
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, tooLarge] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            tooLarge(length.toLongLong());
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [tooLarge](qint64 received, qint64) { tooLarge(received); });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, tooLarge] { tooLarge(reply->bytesAvailable()); });
    QTimer::singleShot(kRequestDeadlineMs, reply, [reply] {
        if (reply->isRunning()) {
            qCWarning(lcUpdate) << "update request took too long, aborted";
            reply->abort();
        }
    });
}

void AutoUpdate::getVersion()
{
    const QString old = checkOldVersion();
    qCDebug(lcUpdate).noquote() << "getVersion---OldVersion:" << m_runningVersion << "checkOldVersion():" << old;
    if (compareVersion(QLatin1Char('V') + m_runningVersion, old)) {
        qCDebug(lcUpdate) << "Update Success";
        getUpdateSuccess();
        removeFile("/BV_update.exe", "Delete Update File");
        removeFile("/Version.txt", nullptr);
        return;
    }
    QJsonObject members;
    members.insert(QStringLiteral("command_type"), QLatin1String(kModelCode));
    members.insert(QStringLiteral("getUrl"), 1);
    post(members, "getVersion--postData:");
}

void AutoUpdate::getUpdateUrl()
{
    QJsonObject members;
    members.insert(QStringLiteral("UUID"), readUUID());
    members.insert(QStringLiteral("command_type"), QLatin1String(kModelCode));
    post(members, "getUpdateUrl--postData:");
}

void AutoUpdate::getUpdateSuccess()
{
    QJsonObject members;
    members.insert(QStringLiteral("UUID"), readUUID());
    members.insert(QStringLiteral("command_type"), QLatin1String(kModelCode));
    members.insert(QStringLiteral("currentVersion"), checkOldVersion());
    members.insert(QStringLiteral("updateVersion"), m_runningVersion);
    members.insert(QStringLiteral("status"), QStringLiteral("ok"));
    post(members, "getUpdateSuccess--postData:");
}

bool AutoUpdate::compareVersion(const QString &offered, const QString &installed)
{
    const int v = offered.indexOf(QLatin1Char('V'));
    const QStringList parts = v < 0 ? QStringList() : offered.mid(v + 1).split(QLatin1Char('.'));
    const QStringList oldParts = installed.split(QLatin1Char('.'));
    // Missing or non-numeric parts count as 0.
    const int V0 = parts.value(0).toInt(), V1 = parts.value(1).toInt(), V2 = parts.value(2).toInt();
    const int oldV0 = oldParts.value(0).toInt(), oldV1 = oldParts.value(1).toInt(),
              oldV2 = oldParts.value(2).toInt();

    qCDebug(lcUpdate) << "---------------------------------";
    qCDebug(lcUpdate).nospace() << "V0:" << V0 << ", V1:" << V1 << ", V2:" << V2;
    qCDebug(lcUpdate).nospace() << "oldV0:" << oldV0 << ", oldV1:" << oldV1 << ", oldV2:" << oldV2;
    qCDebug(lcUpdate) << "---------------------------------";

    const char *marker;
    bool newer;
    if (oldV0 > V0) {
        marker = "11111", newer = false;
    } else if (V0 > oldV0) {
        marker = "66666", newer = true;
    } else if (oldV1 > V1) {
        marker = "22222", newer = false;
    } else if (V1 > oldV1) {
        marker = "55555", newer = true;
    } else if (oldV2 >= V2) {
        marker = "33333", newer = false;
    } else {
        marker = "44444", newer = true;
    }
    qCDebug(lcUpdate) << marker;
    return newer;
}

bool AutoUpdate::isAcceptableDownloadUrl(const QString &url)
{
    if (url.isEmpty() || url.size() > kMaxUrlLength)
        return false;
    for (const QChar c : url) {
        // Printable ASCII only: no line breaks, controls, blanks or non-Latin text
        // that the Latin-1 hand-over file could not carry.
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return false;
    }
    return isServiceUrl(QUrl(url, QUrl::StrictMode));
}

void AutoUpdate::finishedSlot(QNetworkReply *reply)
{
    if (!reply)
        return;
    qCDebug(lcUpdate) << "finishedSlot----------Start";
    if (reply->error() != QNetworkReply::NoError) {
        qCDebug(lcUpdate) << "handle errors here";
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        qCDebug(lcUpdate).noquote() << QString::asprintf("found error ....code: %d %d\n", status, int(reply->error()));
        qCDebug(lcUpdate).noquote() << reply->errorString();
        qCDebug(lcUpdate).noquote() << "strId:" << m_createdId;
    } else {
        QByteArray body = reply->read(kMaxReplyBytes + 1);
        if (body.size() > kMaxReplyBytes) {
            qCWarning(lcUpdate) << "update reply too large, ignored";
            body.clear();
        }
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
        if (parseError.error != QJsonParseError::NoError || !doc.isObject())
            qCWarning(lcUpdate) << "update reply is not a JSON object:" << parseError.errorString();
        const QJsonObject obj = doc.object();
        qCDebug(lcUpdate) << "json_obj:" << obj;
        const QJsonValue dataValue = obj.value(QStringLiteral("Data"));
        qCDebug(lcUpdate) << "Data:" << dataValue;
        qCDebug(lcUpdate) << "------------------------";
        if (!dataValue.isUndefined() && !dataValue.isObject())
            qCWarning(lcUpdate) << "update reply \"Data\" is not an object";
        const QJsonObject data = dataValue.toObject();
        // Non-string members read as empty.
        const QString resultCode = data.value(QStringLiteral("Result_Code")).toString();
        const QString version = data.value(QStringLiteral("version")).toString();
        const QString url = data.value(QStringLiteral("url")).toString();
        const QString note = data.value(QStringLiteral("note")).toString();

        if (resultCode == QLatin1String("002")) {
            qCDebug(lcUpdate).noquote() << "version:" << version;
            if (compareVersion(version, m_runningVersion)) {
                qCDebug(lcUpdate) << "compareVersion Start Update";
                getUpdateUrl();
            }
        } else if (resultCode == QLatin1String("001")) {
            if (compareVersion(version, m_runningVersion)) {
                if (m_handedOver) {
                    qCWarning(lcUpdate) << "updater already started in this run, reply ignored";
                } else if (!isAcceptableDownloadUrl(url)) {
                    qCWarning(lcUpdate) << "download URL refused:" << url.left(kMaxUrlLength);
                } else {
                    qCInfo(lcUpdate).noquote() << "update offered: version" << version;
                    writeVersionFile();
                    writeFileUrl(url);
                    startUpdate();
                }
            } else {
                qCDebug(lcUpdate).noquote() << "noteStr:" << note;
                showUpdateNote(note);
            }
        }
    }
    reply->deleteLater();
    qCDebug(lcUpdate) << "finishedSlot----------End";
    emit replyHandled();
}

QString AutoUpdate::readSmallText(const QString &path) const
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.read(kMaxLocalFileBytes));
}

bool AutoUpdate::writeLatin1(const QString &path, const QString &text) const
{
    QDir().mkpath(m_dataDir);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toLatin1()) < 0) {
        qCWarning(lcUpdate) << "cannot write" << path;
        return false;
    }
    return true;
}

void AutoUpdate::removeFile(const char *name, const char *logLine)
{
    const QString path = filePath(name);
    if (!QFile::exists(path))
        return;
    if (logLine)
        qCDebug(lcUpdate) << logLine;
    if (!QFile::remove(path))
        qCWarning(lcUpdate) << "cannot remove" << path;
}

QString AutoUpdate::checkOldVersion()
{
    const QString path = filePath("/Version.txt");
    if (QFile::exists(path)) {
        qCDebug(lcUpdate) << "Have file";
        return readSmallText(path);
    }
    qCDebug(lcUpdate) << "no file";
    return m_runningVersion;
}

void AutoUpdate::writeVersionFile()
{
    writeLatin1(filePath("/Version.txt"), m_runningVersion);
}

bool AutoUpdate::writeFileUrl(const QString &url)
{
    if (!isAcceptableDownloadUrl(url)) {
        qCWarning(lcUpdate) << "download URL refused:" << url.left(kMaxUrlLength);
        return false;
    }
    return writeLatin1(filePath("/fileUrl.txt"), url);
}

void AutoUpdate::startUpdate()
{
    qCDebug(lcUpdate) << "Start update111";
    if (m_launcher.launch(updaterParameter(m_state.languageIndex, m_state.softwareVersion))) {
        m_handedOver = true;
        emit updaterStarted();
    }
}

void AutoUpdate::showUpdateNote(const QString &note)
{
    emit updateNoteReady(note);
}

void AutoUpdate::writeUUID(const QString &id)
{
    writeLatin1(filePath("/UUID.txt"), id);
}

QString AutoUpdate::readUUID()
{
    const QString path = filePath("/UUID.txt");
    if (QFile::exists(path)) {
        const QString text = readSmallText(path);
        qCDebug(lcUpdate).noquote() << "returnUUID:" << text;
        QString result = text;
        if (text.startsWith(QLatin1Char('{'))) {
            const int close = text.indexOf(QLatin1Char('}'));
            QString part = close < 0 ? text : text.left(close);
            part = part.mid(part.indexOf(QLatin1Char('{')) + 1);
            result = QStringLiteral("%7B") + part + QStringLiteral("%7D");
            qCDebug(lcUpdate).noquote() << "returnUUID-----:" << result;
        }
        qCDebug(lcUpdate) << "Have file";
        qCDebug(lcUpdate).noquote() << "returnUUID:" << result << ", uuidLength:" << text.size();
        return result;
    }
    const QString braced = QUuid::createUuid().toString();
    qCDebug(lcUpdate) << "uuidLength:" << braced.size();
    const QString id = braced.left(braced.indexOf(QLatin1Char('}'))).mid(braced.indexOf(QLatin1Char('{')) + 1);
    m_createdId = id;
    qCDebug(lcUpdate).noquote() << "strId:" << id;
    writeUUID(id);
    qCDebug(lcUpdate) << "no file";
    return id;
}

void AutoUpdate::deleteUUID()
{
    QFile::remove(filePath("/UUID.txt"));
}
