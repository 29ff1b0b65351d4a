#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
struct ControllerState;
class UpdaterLauncher;

// The update check against the web service, and the hand-over to the
// external updater through files in the data directory.
//
// Service location: the constructor's URL, else ZALDO_UPDATE_URL, else
// kDefaultServiceUrl, a name under the reserved ".invalid" domain that never
// resolves, so an unconfigured check ends quietly with a network error.
class AutoUpdate : public QObject {
    Q_OBJECT
public:
    static const char kDefaultServiceUrl[];
    static const char kServicePath[];
    static const char kModelCode[];
    // Replies larger than this are dropped unread.
    static constexpr qint64 kMaxReplyBytes = 64 * 1024;
    static constexpr int kDefaultTransferTimeoutMs = 10000;
    // Hard bound on one request, however slowly the service trickles data.
    static constexpr int kRequestDeadlineMs = 30000;
    // Requests one run may send: a service answering every request with
    // another "002" would otherwise keep the program asking for ever.
    static constexpr int kMaxRequestsPerRun = 6;
    static constexpr int kMaxUrlLength = 2048;

    // dataDirectory: where Device.ini lives (SettingsStore::defaultDataDirectory()).
    // serviceUrl: base URL of the service; empty = environment / default.
    // The language index and program version are read from `state` when the
    // updater is started; the running version is taken from it now.
    AutoUpdate(const QString &dataDirectory, const QString &serviceUrl, UpdaterLauncher &launcher,
               const ControllerState &state, QObject *parent = nullptr);

    // ZALDO_UPDATE_URL when set, else kDefaultServiceUrl.
    static QString defaultServiceUrl();
    // The URL requests go to: service base + "/download/getVersionV1".
    QUrl requestUrl() const { return m_requestUrl; }

    void setCurrentVersion(const QString &version) { m_runningVersion = version; }
    QString runningVersion() const { return m_runningVersion; }
    // Inactivity time-out of each request (tests shorten it).
    void setTransferTimeout(int ms) { m_transferTimeoutMs = ms; }
    int requestsSent() const { return m_requestsSent; }

    // The start-up check: success report after an update, else the version request.
    void getVersion();
    void getUpdateUrl();
    void getUpdateSuccess();

    // True when the version after the first "V" of `offered` is newer than `installed`.
    static bool compareVersion(const QString &offered, const QString &installed);
    // The JSON text and the form body of a request.
    static QByteArray requestJson(const QJsonObject &members);
    static QByteArray requestBody(const QJsonObject &members);
    // A download URL fit to hand to the updater: http(s), printable ASCII, bounded.
    static bool isAcceptableDownloadUrl(const QString &url);

    QString checkOldVersion();
    void writeVersionFile();
    // False (and nothing written) when the URL is refused.
    bool writeFileUrl(const QString &url);
    void startUpdate();

    QString filePath(const char *name) const;

Q_SIGNALS:
    // The service sent a note for a version that is not newer; the window
    // that shows it belongs to the user interface.
    void updateNoteReady(const QString &note);
    // The updater was started; the program keeps running.
    void updaterStarted();
    // A reply (or its failure) has been handled.
    void replyHandled();

public Q_SLOTS:
    void finishedSlot(QNetworkReply *reply);
    void writeUUID(const QString &id);
    QString readUUID();
    void deleteUUID();

private:
    void post(const QJsonObject &members, const char *logPrefix);
    void showUpdateNote(const QString &note);
    void guardReply(QNetworkReply *reply);
    QString readSmallText(const QString &path) const;
    bool writeLatin1(const QString &path, const QString &text) const;
    void removeFile(const char *name, const char *logLine);

    QString m_dataDir;
    QUrl m_requestUrl;
    UpdaterLauncher &m_launcher;
    const ControllerState &m_state;
    QString m_runningVersion;
    QString m_createdId;
    QNetworkAccessManager *m_manager = nullptr;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    int m_requestsSent = 0;
    bool m_handedOver = false;
};
