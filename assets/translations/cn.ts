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
    <name>CurveChart</name>
    <message>
        <source>Fan curve points</source>
        <translation>风扇曲线点</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>风扇曲线</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>点(&amp;P):</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>拖动点可移动它，双击可添加一个点，Delete 删除所选点。按键：[ 和 ] 选择，方向键移动（Shift：每次 5），Insert 添加。</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/次</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>不限</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>传感器(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>迟滞(&amp;H):</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>上升步长(&amp;U):</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>下降步长(&amp;D):</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>最低值(&amp;M):</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>应用(&amp;A)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>控制盒 %1，风扇 %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — 无读数</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>未应用：%1</translation>
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
    <message>
        <source>Fan curve…</source>
        <translation>风扇曲线…</translation>
    </message>
</context>
</TS>
