// The generated pictures and translation files beside the program.
#include "uitestenv.h"

#include <QImage>
#include <QImageReader>
#include <QTranslator>
#include <QtTest>


class TestAssets : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;

private Q_SLOTS:
    void initTestCase() { home = makeUiTestHome(); }

    void imageSizes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        const QList<QPair<QSize, const char *>> groups = {
            {{947, 587}, "background keyboard/passwordMask"}, {{131, 356}, "menu_Language"},
            {{299, 388}, "blankImage"}, {{302, 390}, "blankImage_h Fan_Error3"}, {{89, 23}, "Bvab"},
            {{16, 21}, "btn_arrowLeft btn_arrowLeft_h btn_arrowRight btn_arrowRight_h"},
            {{43, 32}, "btn_controllerBox btn_controllerBox_h btn_controllerBox_r"},
            {{61, 36}, "btn_profile btn_profile_h"}, {{120, 30}, "btn_save btn_save_h"},
            {{20, 20}, "btn_setting btn_min btn_closeFan btn_openFan bar-button bar_bright"},
            {{16, 15}, "btn_close"}, {{140, 140}, "palette"}, {{75, 3}, "rpm_bar"},
            {{55, 55}, "btn_blank btn_RGB_Mode btn_RGB_Mode_h btn_blink btn_blink_h btn_turnOn btn_turnOff "
                       "btn_copyRGB btn_performance btn_performance_h btn_silent btn_silent_h btn_pwm btn_pwm_h"},
            {{428, 248}, "warn_background"}, {{64, 64}, "warning"}, {{39, 1}, "keyboard/LINE"},
            {{57, 57}, "keyboard/keyboard keyboard/password_ok keyboard/password_return"},
        };
        for (const auto &g : groups)
            for (const QString &name : QString::fromLatin1(g.second).split(QLatin1Char(' ')))
                QTest::newRow(qPrintable(name)) << name + QStringLiteral(".png") << g.first;
    }
    void imageSizes()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        const QImage image(imageDir() + QLatin1Char('/') + file);
        QCOMPARE(image.size(), size);
        bool visible = false; // not blank
        for (int y = 0; y < image.height() && !visible; ++y)
            for (int x = 0; x < image.width() && !visible; ++x)
                visible = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(visible);
    }

    void logoIsIco()
    {
        QImageReader reader(imageDir() + QStringLiteral("/logo.ico"), "ico");
        QList<int> sides;
        for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i)
            sides.append(reader.read().width());
        QVERIFY(sides.contains(16) && sides.contains(32));
    }

    void translations_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("mainTexts"); // FAN, PROFILE, SAVE
        QTest::addColumn<QStringList>("fanTexts");  // Blink, FAN MODE, LED BRIGHTNESS, Perfor-mance, Performance, Silent
        QTest::newRow("en") << "en" << QStringList{"FAN", "PROFILE", "SAVE"}
                            << QStringList{"Blink", "FAN MODE", "LED BRIGHTNESS", "Perfor-\nmance", "Performance", "Silent"};
        QTest::newRow("tc") << "tc" << QStringList{"風扇", "情境", "儲存"}
                            << QStringList{"閃爍", "運轉模式", "亮度", "效能", "效能", "靜音"};
        QTest::newRow("cn") << "cn" << QStringList{"风扇", "情境", "储存"}
                            << QStringList{"闪烁", "运转模式", "亮度", "效能", "效能", "静音"};
        QTest::newRow("de") << "de" << QStringList{"Lüfter", "PROFIL", "SPEICHERN"}
                            << QStringList{"Blinken", "LÜFTER", "LED HELLIGKEIT", "Leistung", "Leistung", "Leise"};
        QTest::newRow("fr") << "fr" << QStringList{"Ventilateur", "PROFIL", "ENREGISTRER"}
                            << QStringList{"Clignotant", "MODE DU VENTILATEUR", "LUMINOSITÉ DE LA LED", "Perfor-\nmant",
                                           "Performant", "Silencieux"};
        QTest::newRow("jp") << "jp" << QStringList{"ファン", "プロファイル", "保存"}
                            << QStringList{"点滅", "ファンモード", "LED 輝度調整", "パフォー\nマンス", "パフォーマンス", "サイレント"};
        QTest::newRow("th") << "th" << QStringList{"พัดลมตัวที่", "รูปแบบที่", "บันทึก"}
                            << QStringList{"โหมดกระพริบ", "โหมดพัดลม", "ค่าความสว่างไฟ", "โหมดเต็ม\nประสิทธิภาพ",
                                           "โหมดเต็มประสิทธิภาพ", "โหมด เงียบ"};
    }
    void translations()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, mainTexts);
        QFETCH(QStringList, fanTexts);
        QTranslator t;
        QVERIFY(t.load(languageDir() + QLatin1Char('/') + code + QStringLiteral(".qm")));
        const char *mainKeys[] = {"FAN", "PROFILE", "SAVE"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(t.translate("MainView", mainKeys[i]), mainTexts.at(i));
        const char *fanKeys[] = {"Blink", "FAN MODE", "LED BRIGHTNESS", "Perfor-mance", "Performance", "Silent"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(t.translate("ZaldoRGBFanView", fanKeys[i]), fanTexts.at(i));
        QCOMPARE(t.translate("MainView", "TEMP"), QStringLiteral("TEMP"));
        QCOMPARE(t.translate("BrenvarRGBFanController", "IP Address"), QStringLiteral("IP Address"));
        // Shown as written.
        for (const char *key : {"Error Code", "Error_Code_S_0x0002", "Password:", "PWM", "Auto Update On"})
            QVERIFY2(t.translate("MainView", key).isEmpty() && t.translate("ZaldoRGBFanView", key).isEmpty(), key);
        // The box errors in plain words; all but "none found" name the box (%1).
        for (const char *key : {"Error_Code_H_0x0001", "Error_Code_H_0x0002", "Error_Code_H_0x0003"}) {
            const QString text = t.translate("MainView", key);
            const int named = QByteArray(key).endsWith('1') ? 0 : 1;
            QVERIFY2(!text.isEmpty() && text.count(QLatin1String("%1")) == named, key);
        }
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
