#pragma once

#include "commands/fanoperations.h"

#include <QObject>
#include <QString>

#include <functional>

struct ControllerState;
struct ProfileSettingsTable;
class DeviceLink;
class SettingsStore;
class BoxSelection;
class SocketHelper;

// Carries out the companion app's commands: fixed-position strings that
// address any set of boxes and fans. Positions past the end read as NUL,
// non-digits where a digit is expected read as 0.
class AppCommandHandler : public QObject {
    Q_OBJECT
public:
    using ReplyFunction = std::function<void(const QString &)>;


    AppCommandHandler(ControllerState &state, DeviceLink &link, SettingsStore &store,
                      BoxSelection &boxes, ReplyFunction reply,
                      QObject *parent = nullptr);

    // A reply function that writes through the server, and drops the reply
    // once the server is gone.
    static ReplyFunction replyTo(SocketHelper *server);

    // "{[R:G:B:Bright:Speed:SpeedMode:FanMode]...}" for fans 0..2, values as stored.
    static QString profileReplyText(const ProfileSettingsTable &table);
    // Fan mask digit to the fans it selects, fan 0 first: '5' -> "101".
    static QString fanMaskPattern(QChar digit);

public Q_SLOTS:
    void socketHelperReceiveData(const QString &appModeStr);

private:
    void presenceQuery();
    void profileCommand(const QString &cmd);
    void modeCommand(const QString &cmd);
    void musicCommand(const QString &cmd);
    void brightnessCommand(const QString &cmd);
    void speedCommand(const QString &cmd);
    void colourCommand(const QString &cmd);

    // Calls fn(box, fan) for each selected box (flags from flagStart, at most
    // sixteen of them, up to flagEnd exclusive or the end) and each fan of the mask.
    void forEachSelected(const QString &cmd, QChar maskDigit, int flagStart, int flagEnd,
                         const std::function<void(int box, int fan)> &fn);

    void stopRandomColor(int box, int fan);

    ControllerState &m_state;
    DeviceLink &m_link;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
    ReplyFunction m_reply;
    FanOperations m_ops;
};
