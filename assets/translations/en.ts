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
</context>
</TS>
