// The generated pictures and translation files beside the program.
#include "uitestenv.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTranslator>
#include <QtTest>

#include <cmath>

class TestAssets : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;

private Q_SLOTS:
    void initTestCase() { home = makeUiTestHome(); }

    void imageSizes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        const QSize tile(55, 55);
        const QList<QPair<QString, QSize>> rows = {
            {"background.png", {947, 587}},  {"menu_Language.png", {131, 356}},
            {"blankImage.png", {299, 388}},   {"blankImage_h.png", {302, 390}},
            {"Fan_Error3.png", {302, 390}},   {"keyboard/passwordMask.png", {947, 587}},
            {"Bvab.png", {89, 23}},           {"btn_arrowLeft.png", {16, 21}},
            {"btn_arrowLeft_h.png", {16, 21}}, {"btn_arrowRight.png", {16, 21}},
            {"btn_arrowRight_h.png", {16, 21}}, {"btn_controllerBox.png", {43, 32}},
            {"btn_controllerBox_h.png", {43, 32}}, {"btn_controllerBox_r.png", {43, 32}},
            {"btn_profile.png", {61, 36}},    {"btn_profile_h.png", {61, 36}},
            {"btn_save.png", {120, 30}},      {"btn_save_h.png", {120, 30}},
            {"btn_setting.png", {20, 20}},    {"btn_min.png", {20, 20}},
            {"btn_close.png", {16, 15}},      {"btn_closeFan.png", {20, 20}},
            {"btn_openFan.png", {20, 20}},    {"btn_blank.png", tile},
            {"btn_RGB_Mode.png", tile},       {"btn_RGB_Mode_h.png", tile},
            {"btn_blink.png", tile},          {"btn_blink_h.png", tile},
            {"btn_turnOn.png", tile},         {"btn_turnOff.png", tile},
            {"btn_copyRGB.png", tile},        {"btn_performance.png", tile},
            {"btn_performance_h.png", tile},  {"btn_silent.png", tile},
            {"btn_silent_h.png", tile},       {"btn_pwm.png", tile},
            {"btn_pwm_h.png", tile},          {"palette.png", {140, 140}},
            {"rpm_bar.png", {75, 3}},         {"bar-button.png", {20, 20}},
            {"bar_bright.png", {20, 20}},     {"warn_background.png", {428, 248}},
            {"warning.png", {64, 64}},        {"keyboard/LINE.png", {39, 1}},
            {"keyboard/keyboard.png", {57, 57}}, {"keyboard/password_ok.png", {57, 57}},
            {"keyboard/password_return.png", {57, 57}},
        };
        for (const auto &row : rows)
            QTest::newRow(qPrintable(row.first)) << row.first << row.second;
    }

    void imageSizes()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        const QImage image(imageDir() + QLatin1Char('/') + file);
        QVERIFY2(!image.isNull(), qPrintable(file));
        QCOMPARE(image.size(), size);
        // Not blank: some pixel is visible.
        bool visible = false;
        for (int y = 0; y < image.height() && !visible; ++y)
            for (int x = 0; x < image.width() && !visible; ++x)
                visible = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(visible);
    }

    // Hue by angle, saturation by radius, value 1: what is shown is what a
    // press picks.
    void paletteIsColourWheel()
    {
        const QImage wheel(imageDir() + QStringLiteral("/palette.png"));
        QVERIFY(wheel.hasAlphaChannel());
        int checked = 0;
        for (int y = 0; y < 140; ++y) {
            for (int x = 0; x < 140; ++x) {
                const double dx = x + 0.5 - 70.0;
                const double dy = 70.0 - (y + 0.5);
                const double r = std::sqrt(dx * dx + dy * dy) / 70.0;
                const QRgb p = wheel.pixel(x, y);
                if (r > 1.02) {
                    QCOMPARE(qAlpha(p), 0);
                    continue;
                }
                if (r > 0.98)
                    continue; // antialiased rim
                QCOMPARE(qAlpha(p), 255);
                double hue = std::atan2(dy, dx) / (2 * M_PI);
                if (hue < 0)
                    hue += 1;
                const QColor want = QColor::fromHsvF(hue, r, 1.0);
                if (std::abs(want.red() - qRed(p)) > 1 || std::abs(want.green() - qGreen(p)) > 1
                    || std::abs(want.blue() - qBlue(p)) > 1)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                ++checked;
            }
        }
        QVERIFY(checked > 14000);
        const QRgb centre = wheel.pixel(70, 70);
        QVERIFY(qRed(centre) >= 250 && qGreen(centre) >= 250 && qBlue(centre) >= 250);
        // Red at the right, cyan at the left.
        QCOMPARE(QColor(wheel.pixel(137, 69)).hsvHue() <= 2 || QColor(wheel.pixel(137, 69)).hsvHue() >= 358, true);
        QVERIFY(std::abs(QColor(wheel.pixel(2, 69)).hsvHue() - 180) <= 2);
    }

    void logoIsIco()
    {
        QFile file(imageDir() + QStringLiteral("/logo.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("\x00\x00\x01\x00", 4));
        file.close();
        QImageReader reader(file.fileName(), "ico");
        QVERIFY(reader.canRead());
        QVERIFY(reader.imageCount() >= 4);
        QList<int> sides;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage img = reader.read();
            QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
            sides.append(img.width());
            QVERIFY(qAlpha(img.pixel(0, 0)) < 40); // rounded corner
            QCOMPARE(qAlpha(img.pixel(img.width() / 2, img.height() / 2)), 255);
        }
        QVERIFY(sides.contains(16));
        QVERIFY(sides.contains(32));
    }

    void alertPictureHasOutline()
    {
        const QImage img(imageDir() + QStringLiteral("/warn_background.png"));
        for (const QPoint &corner : {QPoint(0, 0), QPoint(427, 0), QPoint(0, 247), QPoint(427, 247)})
            QCOMPARE(qAlpha(img.pixel(corner)), 0);
        QCOMPARE(qAlpha(img.pixel(214, 124)), 255);
    }

    void keypadMaskIsSemiTransparent()
    {
        const QImage img(imageDir() + QStringLiteral("/keyboard/passwordMask.png"));
        const int a = qAlpha(img.pixel(473, 293));
        QVERIFY(a > 60 && a < 240);
    }

    void translations_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("mainTexts");   // FAN, PROFILE, SAVE
        QTest::addColumn<QStringList>("fanTexts");    // Blink, FAN MODE, LED BRIGHTNESS, Perfor-mance, Performance, Silent
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
        QCOMPARE(t.translate("MainView", "IP Address"), QStringLiteral("IP Address"));
        QCOMPARE(t.translate("BrenvarRGBFanController", "IP Address"), QStringLiteral("IP Address"));

        // Every file names each language in that language.
        const QStringList keys{"en", "tc", "cn", "de", "fr", "jp", "th"};
        const QStringList names{"English", "正體中文", "简体中文", "Deutsch", "Français", "日本語", "ไทย"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(t.translate("MainView", qPrintable(keys.at(i))), names.at(i));

        // Shown as written.
        for (const char *key : {"Error Code", "Error_Code_H_0x0001", "Error_Code_H_0x0002", "Error_Code_S_0x0001",
                                "Error_Code_S_0x0002", "Password:", "PWM", "Auto Update On"})
            QVERIFY2(t.translate("MainView", key).isEmpty() && t.translate("ZaldoRGBFanView", key).isEmpty(), key);
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
