#pragma once

#include "commands/openrgbprotocol.h"

// One client's conversation: the version it negotiated and its name, and what
// each of its packets does to the backend. No sockets, so a fuzzer can drive it.
class OpenRgbSession {
public:
    explicit OpenRgbSession(OpenRgbBackend &backend) : m_backend(backend) {}

    // The reply to send back (empty for none).
    QByteArray handle(const OpenRgb::Received &packet);

    quint32 version() const { return m_version; }
    QString clientName() const { return m_name; }

private:
    QByteArray controllerData(quint32 device, const QByteArray &payload) const;
    void updateMode(quint32 device, const QByteArray &payload, bool save);
    void colours(const OpenRgb::Received &packet, int leds);
    void profile(quint32 id, const QString &name);
    bool known(quint32 device) const;

    OpenRgbBackend &m_backend;
    quint32 m_version = 0;
    QString m_name;
};
