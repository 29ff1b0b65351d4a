<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>Ventilateur n° %1</translation>
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
        <translation>Points de la courbe du ventilateur</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>Courbe du ventilateur</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>&amp;Points :</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>Faites glisser un point pour le déplacer, double-cliquez pour en ajouter un, Suppr retire le point choisi. Touches : [ et ] choisissent, les flèches déplacent (Maj : de 5), Inser ajoute.</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/passage</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>sans limite</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>&amp;Capteur :</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>&amp;Hystérésis :</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>Pas de &amp;montée :</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>Pas de &amp;descente :</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>M&amp;inimum :</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>&amp;Appliquer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>Boîtier %1, ventilateur %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — pas de mesure</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>Non appliquée : %1</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>FAN</source>
        <translation>Ventilateur</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>PROFIL</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>ENREGISTRER</translation>
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
        <translation>Aucun boîtier contrôleur trouvé</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>Deux appareils répondent comme boîtier %1</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>Boîtier %1 trouvé, pas d'autorisation : installez la règle udev, voir le README</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>Impossible d&apos;enregistrer les réglages</translation>
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
        <translation>Clignotant</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>MODE DU VENTILATEUR</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>LUMINOSITÉ DE LA LED</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>Perfor-
mant</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Performant</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>Silencieux</translation>
    </message>
    <message>
        <source>Fan curve…</source>
        <translation>Courbe du ventilateur…</translation>
    </message>
</context>
</TS>
