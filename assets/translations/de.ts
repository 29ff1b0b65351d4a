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
    <name>CurveChart</name>
    <message>
        <source>Fan curve points</source>
        <translation>Punkte der Lüfterkurve</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>Lüfterkurve</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>&amp;Punkte:</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>Punkt ziehen, um ihn zu verschieben; Doppelklick fügt einen hinzu, Entf löscht den gewählten. Tasten: [ und ] wählen, Pfeile verschieben (Umschalt: um 5), Einfg fügt hinzu.</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/Durchlauf</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>keine Grenze</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>&amp;Sensor:</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>&amp;Hysterese:</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>Schritt a&amp;ufwärts:</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>Schritt a&amp;bwärts:</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>&amp;Minimum:</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>&amp;Anwenden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>Controller-Box %1, Lüfter %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — kein Messwert</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>Nicht angewendet: %1</translation>
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
    <message>
        <source>Fan curve…</source>
        <translation>Lüfterkurve…</translation>
    </message>
</context>
</TS>
