<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>Fan No. %1</translation>
    </message>
</context>
<context>
    <name>BrenvarRGBFanController</name>
    <message>
        <source>IP Address</source>
        <translation>IP Address</translation>
    </message>
</context>
<context>
    <name>CurveChart</name>
    <message>
        <source>Fan curve points</source>
        <translation>Fan curve points</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>Fan curve</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>&amp;Points:</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/pass</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>no limit</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>&amp;Sensor:</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>&amp;Hysteresis:</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>Step &amp;up:</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>Step &amp;down:</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>&amp;Minimum:</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>&amp;Apply</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>Box %1, fan %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — no reading</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>Not applied: %1</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>FAN</source>
        <translation>FAN</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>PROFILE</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SAVE</translation>
    </message>
    <message>
        <source>TEMP</source>
        <translation>TEMP</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP Address</translation>
    </message>
    <message>
        <source>en</source>
        <translation>English</translation>
    </message>
    <message>
        <source>tc</source>
        <translation>正體中文</translation>
    </message>
    <message>
        <source>cn</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>de</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>fr</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>jp</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>th</source>
        <translation>ไทย</translation>
    </message>
    <message>
        <source>Error Code</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error_Code_H_0x0001</source>
        <translation>No controller box found</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>Two devices answer as box %1</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>Box %1 found, no permission: install the udev rule, see README</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>Settings could not be saved</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0002</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZaldoRGBFanView</name>
    <message>
        <source>Blink</source>
        <translation>Blink</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>FAN MODE</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>LED BRIGHTNESS</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>Perfor-
mance</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Performance</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Silent</translation>
    </message>
    <message>
        <source>Fan curve…</source>
        <translation>Fan curve…</translation>
    </message>
</context>
</TS>
