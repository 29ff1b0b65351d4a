<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="th_TH">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>พัดลมตัวที่ %1</translation>
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
        <translation>พัดลมตัวที่</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>รูปแบบที่</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>บันทึก</translation>
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
        <translation>ไม่พบกล่องควบคุม</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>มีอุปกรณ์สองเครื่องตอบเป็นกล่องหมายเลข %1</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>พบกล่องหมายเลข %1 แต่ไม่มีสิทธิ์เข้าถึง: โปรดติดตั้งกฎ udev ดูรายละเอียดใน README</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>ไม่สามารถบันทึกการตั้งค่าได้</translation>
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
        <translation>โหมดกระพริบ</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>โหมดพัดลม</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>ค่าความสว่างไฟ</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>โหมดเต็ม
ประสิทธิภาพ</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>โหมดเต็มประสิทธิภาพ</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>โหมด เงียบ</translation>
    </message>
</context>
</TS>
