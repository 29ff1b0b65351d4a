<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>Lüfter Nr. %1</translation>
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
    <name>MainView</name>
    <message>
        <source>FAN</source>
        <translation>Lüfter</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>PROFIL</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>SPEICHERN</translation>
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
        <translation>Keine Controller-Box gefunden</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>Zwei Geräte melden sich als Box %1</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>Box %1 gefunden, keine Berechtigung: udev-Regel installieren, siehe README</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>Einstellungen konnten nicht gespeichert werden</translation>
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
        <translation>Blinken</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>LÜFTER</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>LED HELLIGKEIT</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Leise</translation>
    </message>
</context>
</TS>
