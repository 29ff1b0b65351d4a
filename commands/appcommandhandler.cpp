#include "commands/appcommandhandler.h"
#include "commands/appcommandtext.h"

#include "core/controllerstate.h"
#include "commands/boxselection.h"
#include "commands/sockethelper.h"
#include "device/devicelink.h"
#include "storage/settingsstore.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QStringList>

Q_LOGGING_CATEGORY(lcAppCommand, "zaldo.companion.commands")

using namespace AppCommandText;

AppCommandHandler::AppCommandHandler(ControllerState &state, DeviceLink &link, SettingsStore &store,
                                     BoxSelection &boxes, ReplyFunction reply, QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_store(store), m_boxes(boxes),
      m_reply(std::move(reply)), m_ops(state, link, store, boxes)
{
}

AppCommandHandler::ReplyFunction AppCommandHandler::replyTo(SocketHelper *server)
{
    QPointer<SocketHelper> guarded(server);
    return [guarded](const QString &text) {
        if (guarded)
            guarded->sendToClient(text);
    };
}

QString AppCommandHandler::fanMaskPattern(QChar digit)
{
    if (digit < QLatin1Char('1') || digit > QLatin1Char('7'))
        return QStringLiteral("000");
    const int bits = digit.unicode() - '0';
    QString pattern;
    for (int k = 0; k < AppCommandText::kAppFans; ++k)
        pattern += (bits & (1 << k)) ? QLatin1Char('1') : QLatin1Char('0');
    return pattern;
}

QString AppCommandHandler::profileReplyText(const ProfileSettingsTable &table)
{
    // Key order of the table; PWM (6) and isTurnOffLed (8) are not replied.
    static const int kReplied[] = {0, 1, 2, 3, 4, 5, 7};
    QString text = QStringLiteral("{");
    for (int f = 0; f < AppCommandText::kAppFans; ++f) {
        QStringList values;
        for (int key : kReplied)
            values << table.fans[idx(f)][idx(key)];
        text += QLatin1Char('[') + values.join(QLatin1Char(':')) + QLatin1Char(']');
    }
    return text + QLatin1Char('}');
}

void AppCommandHandler::socketHelperReceiveData(const QString &appModeStr)
{
    const QString &cmd = appModeStr;
    if (cmd == QLatin1String("000"))
        presenceQuery();
    else if (cmd.startsWith(QLatin1String("999")))
        return;
    else if (matches(cmd, 0, '4') && matches(cmd, 1, '2'))
        profileCommand(cmd);
    else if (matches(cmd, 0, '0') && charAt(cmd, 1) >= QLatin1Char('1') && charAt(cmd, 1) <= QLatin1Char('8'))
        modeCommand(cmd);
    else if (matches(cmd, 0, '2') && matches(cmd, 1, '0'))
        brightnessCommand(cmd);
    else if (matches(cmd, 0, '3') && matches(cmd, 1, '0'))
        speedCommand(cmd);
    else if (matches(cmd, 0, '3') && matches(cmd, 1, '2') && matches(cmd, 3, '5') && matches(cmd, 4, '2')
             && matches(cmd, 9, '0') && matches(cmd, 10, '0'))
        colourCommand(cmd);
    else
        qCDebug(lcAppCommand) << "appModeStr: no such command:" << cmd.left(64);
}

void AppCommandHandler::presenceQuery()
{
    // buildControllerStr writes the "checkControllerStrzzzz:" line.
    const QString map = m_link.buildControllerStr();
    if (m_reply)
        m_reply(map);
}

void AppCommandHandler::profileCommand(const QString &cmd)
{
    const QChar action = charAt(cmd, 2);
    if (action == QLatin1Char('8')) {
        qCDebug(lcAppCommand) << "appModeStr[2] == '8'";
        return;
    }
    if (action != QLatin1Char('6') && action != QLatin1Char('7'))
        return;
    if (action == QLatin1Char('7'))
        qCDebug(lcAppCommand) << "appModeStr[2] == '7'";

    const int profile = digitAt(cmd, 4);
    if (!isValidProfile(profile)) {
        // There are five profile files; any other number would load defaults
        // or create a stray file.
        qCWarning(lcAppCommand) << "appModeStr: profile digit out of range:" << charAt(cmd, 4);
        return;
    }
    m_state.currentProfile = profile;

    if (action == QLatin1Char('7')) {
        m_boxes.saveCurrentProfile();
        return;
    }

    int flags = qMax(0, cmd.size() - kProfileFlagsStart);
    if (flags > kBoxCount) {
        qCWarning(lcAppCommand) << "Box_buff: flags beyond box 16 ignored:" << flags - kBoxCount;
        flags = kBoxCount;
    }
    for (int j = 0; j < flags; ++j) {
        const QChar flag = cmd.at(kProfileFlagsStart + j);
        qCDebug(lcAppCommand).nospace() << "Box_buff[" << j << "]:" << flag;
        if (flag != QLatin1Char('1'))
            continue;
        qCDebug(lcAppCommand) << "Box_buff[j] == 1";
        m_store.loadProfileIni(j, m_state.currentProfile);
        m_ops.reapplyBox(j);
    }
    const QString reply = profileReplyText(m_store.readProfileIni(m_state.currentProfile));
    if (m_reply)
        m_reply(reply);
}

void AppCommandHandler::forEachSelected(const QString &cmd, QChar maskDigit, int flagStart, int flagEnd,
                                        const std::function<void(int, int)> &fn)
{
    const QString pattern = fanMaskPattern(maskDigit);
    const int end = flagEnd < 0 ? cmd.size() : qMin(flagEnd, cmd.size());
    int flags = end - flagStart;
    if (flags > kBoxCount) {
        qCWarning(lcAppCommand) << "Box_buff: flags beyond box 16 ignored:" << flags - kBoxCount;
        flags = kBoxCount;
    }
    for (int j = 0; j < flags; ++j) {
        if (cmd.at(flagStart + j) != QLatin1Char('1'))
            continue;
        for (int k = 0; k < AppCommandText::kAppFans && k < m_state.box(j).fanCount(); ++k) {
            if (pattern.at(k) == QLatin1Char('1'))
                fn(j, k);
        }
    }
}

void AppCommandHandler::stopRandomColor(int box, int fan)
{
    Fan &f = m_state.box(box).fan(fan);
    if (!f.randomColour)
        return;
    m_boxes.timers().stopRandomColor(fan);
    f.randomColour = false;
}
