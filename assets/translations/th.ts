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
    <name>CurveChart</name>
    <message>
        <source>Fan curve points</source>
        <translation>จุดของเส้นโค้งพัดลม</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>เส้นโค้งพัดลม</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>จุด(&amp;P):</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>ลากจุดเพื่อย้าย ดับเบิลคลิกเพื่อเพิ่มจุด Delete ลบจุดที่เลือก ปุ่ม: [ และ ] เลือกจุด ลูกศรย้ายจุด (Shift: ทีละ 5) Insert เพิ่มจุด</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/รอบ</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>ไม่จำกัด</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>เซนเซอร์(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>ฮิสเทอรีซิส(&amp;H):</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>ขั้นเพิ่ม(&amp;U):</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>ขั้นลด(&amp;D):</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>ต่ำสุด(&amp;M):</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>ใช้(&amp;A)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ยกเลิก</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>กล่องควบคุม %1 พัดลมตัวที่ %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — ไม่มีค่าที่อ่านได้</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>ไม่ได้ใช้: %1</translation>
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
    <message>
        <source>Fan curve…</source>
        <translation>เส้นโค้งพัดลม…</translation>
    </message>
</context>
</TS>
