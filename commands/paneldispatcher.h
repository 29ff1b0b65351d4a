#pragma once

#include "commands/fanoperations.h"

#include <QObject>
#include <QStringList>

#include <functional>

struct ControllerState;
class DeviceLink;
class SettingsStore;
class BoxSelection;
class ViewSink;

// Applies the panel command lists of the views to the selected box: state
// first, then the reports to the box, then the views and the settings files.
class PanelDispatcher : public QObject {
    Q_OBJECT
public:
    PanelDispatcher(ControllerState &state, DeviceLink &link, SettingsStore &store, BoxSelection &boxes,
                    ViewSink &views, QObject *parent = nullptr);

    // "showInfo": appends the hardware-monitor read-out; nothing when unset.
    void setInfoReadout(std::function<void()> readout) { m_infoReadout = std::move(readout); }
    // "changeLanguage": loads the translation of an index; false when nothing
    // was loaded. The index is stored and shown either way.
    void setLanguageLoader(std::function<bool(int)> loader) { m_languageLoader = std::move(loader); }

public Q_SLOTS:
    void receiveMainData(const QStringList &list);

private:
    // Fan commands: the checked fan index, or -1 (logged) for a short list or a bad index.
    int selectedFan(const QStringList &list, int minSize);

    void selectProfile(const QStringList &list);
    void pushPWM(const QStringList &list);
    void palette(const QStringList &list);
    void setLightMode(const QStringList &list, LedMode onMode);
    void copyLight(const QStringList &list);
    void pushTurnOff(const QStringList &list);
    void changeSliderLight(const QStringList &list);
    void changeSliderFanSpeed(const QStringList &list);
    void changeLanguage(const QStringList &list);
    void closeFanControl(const QStringList &list);

    ControllerState &m_state;
    SettingsStore &m_store;
    BoxSelection &m_boxes;
    ViewSink &m_views;
    std::function<void()> m_infoReadout;
    std::function<bool(int)> m_languageLoader;
    FanOperations m_ops;
};
