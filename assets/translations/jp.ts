<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AlertView</name>
    <message>
        <source>Fan No. %1</source>
        <translation>ファン %1</translation>
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
        <translation>ファンカーブの点</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>Fan curve</source>
        <translation>ファンカーブ</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>ポイント(&amp;P):</translation>
    </message>
    <message>
        <source>Drag a point to move it, double-click to add one, Delete removes the selected one. Keys: [ and ] select, arrows move (Shift: by 5), Insert adds.</source>
        <translation>点をドラッグして移動、ダブルクリックで追加、Delete で選択した点を削除。キー: [ と ] で選択、矢印キーで移動 (Shift: 5 ずつ)、Insert で追加。</translation>
    </message>
    <message>
        <source> %/pass</source>
        <translation> %/回</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>制限なし</translation>
    </message>
    <message>
        <source>&amp;Sensor:</source>
        <translation>センサー(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;Hysteresis:</source>
        <translation>ヒステリシス(&amp;H):</translation>
    </message>
    <message>
        <source>Step &amp;up:</source>
        <translation>上昇ステップ(&amp;U):</translation>
    </message>
    <message>
        <source>Step &amp;down:</source>
        <translation>下降ステップ(&amp;D):</translation>
    </message>
    <message>
        <source>&amp;Minimum:</source>
        <translation>最小値(&amp;M):</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>適用(&amp;A)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Box %1, fan %2</source>
        <translation>コントローラーボックス %1、ファン %2</translation>
    </message>
    <message>
        <source>%1 — %2 °C</source>
        <translation>%1 — %2 °C</translation>
    </message>
    <message>
        <source>%1 — no reading</source>
        <translation>%1 — 読み取り値なし</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>適用されませんでした: %1</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>FAN</source>
        <translation>ファン</translation>
    </message>
    <message>
        <source>PROFILE</source>
        <translation>プロファイル</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>保存</translation>
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
        <translation>コントローラーボックスが見つかりません</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0002</source>
        <translation>2台のデバイスがボックス %1 として応答しています</translation>
    </message>
    <message>
        <source>Error_Code_H_0x0003</source>
        <translation>ボックス %1 が見つかりましたが、アクセス権限がありません。udev ルールをインストールしてください（README を参照）</translation>
    </message>
    <message>
        <source>Error_Code_S_0x0001</source>
        <translation>設定を保存できませんでした</translation>
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
        <translation>点滅</translation>
    </message>
    <message>
        <source>FAN MODE</source>
        <translation>ファンモード</translation>
    </message>
    <message>
        <source>LED BRIGHTNESS</source>
        <translation>LED 輝度調整</translation>
    </message>
    <message>
        <source>Perfor-mance</source>
        <translation>パフォー
マンス</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>パフォーマンス</translation>
    </message>
    <message>
        <source>Silent</source>
        <translation>サイレント</translation>
    </message>
    <message>
        <source>Fan curve…</source>
        <translation>ファンカーブ…</translation>
    </message>
</context>
</TS>
