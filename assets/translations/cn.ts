<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>风扇 %1</translation>
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
        <translation>风扇</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>情境</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>储存</translation>
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
        <translation>未找到控制盒</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>有两个设备都以控制盒 %1 响应</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>已找到控制盒 %1，但没有访问权限：请安装 udev 规则，详见 README</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>无法保存设置</translation>
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
        <translation>闪烁</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>运转模式</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>效能</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>效能</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>静音</translation>
    </message>
</context>
</TS>
