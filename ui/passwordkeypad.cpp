// The full-window keypad on which the user enters the four-digit password of
// the phone connection.
#include "core/panelcommands.h"
#include "ui/mainview.h"
#include "ui/mainview_p.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

using namespace mainview;

namespace {
constexpr int kOkKey = 10;
constexpr int kReturnKey = 11;

QFont keypadFont()
{
    QFont font;
    font.setPointSize(26);
    font.setWeight(75);
    return font;
}

QPoint keyPosition(int key)
{
    if (key >= 1 && key <= 9)
        return {42 + 77 * ((key - 1) % 3), 100 + 67 * ((key - 1) / 3)};
    if (key == 0)
        return {119, 301};
    if (key == kOkKey)
        return {42, 301};
    return {196, 301}; // Return
}
} // namespace

void MainView::buildKeypad()
{
    // Everything is a child of the cover, so the cover shows and hides it all.
    m_keypadCover = new QLabel(this);
    m_keypadCover->setObjectName(QStringLiteral("keypadCover"));
    m_keypadCover->setGeometry(0, 0, width(), height());
    m_keypadCover->setStyleSheet(
        QStringLiteral("QLabel#keypadCover{border-image:%1;}").arg(url(image("Image/keyboard/passwordMask.png"))));
    m_keypadCover->hide();

    m_keypadPanel = new QLabel(m_keypadCover);
    m_keypadPanel->setObjectName(QStringLiteral("keypadPanel"));
    m_keypadPanel->setGeometry(width() / 2 - 150, height() / 2 - 194, 299, 388);
    m_keypadPanel->setStyleSheet(QStringLiteral("QLabel#keypadPanel{border-image:%1;}").arg(url(image("Image/blankImage.png"))));

    const QFont font = keypadFont();
    for (int k = 0; k < kDigits; ++k) {
        auto *cell = new QLabel(m_keypadPanel);
        cell->setObjectName(QStringLiteral("digitCell%1").arg(k));
        cell->setGeometry(45 + 57 * k, 32, 39, 42);
        cell->setAlignment(Qt::AlignCenter);
        cell->setFont(font);
        cell->setStyleSheet(QStringLiteral("QLabel{color:white;}")); // readable on the dark panel
        // Built before the controller hands over the stored password: the
        // cells show the factory default.
        cell->setText(m_passwordText.mid(k, 1));
        m_digitCells[size_t(k)] = cell;

        auto *line = new QLabel(m_keypadPanel);
        line->setObjectName(QStringLiteral("digitLine%1").arg(k));
        line->setGeometry(45 + 57 * k, 74, 39, 1);
        line->setStyleSheet(QStringLiteral("QLabel{border-image:%1;}").arg(url(image("Image/keyboard/LINE.png"))));
        m_digitLines[size_t(k)] = line;
    }

    for (int key = 0; key < int(m_keys.size()); ++key) {
        auto *button = new QPushButton(m_keypadPanel);
        button->setObjectName(QStringLiteral("Keyboard%1").arg(key));
        button->setGeometry(QRect(keyPosition(key), QSize(57, 57)));
        button->setFont(font);
        QString picture = QStringLiteral("Image/keyboard/keyboard.png");
        if (key == kOkKey)
            picture = QStringLiteral("Image/keyboard/password_ok.png");
        else if (key == kReturnKey)
            picture = QStringLiteral("Image/keyboard/password_return.png");
        else
            button->setText(QString::number(key));
        button->setStyleSheet(QStringLiteral("QPushButton{border-image:%1; color:gray;}"
                                             "QPushButton:pressed{border-image:%1;}")
                                  .arg(url(image(picture))));
        connect(button, &QPushButton::released, this, &MainView::keyboardTouch);
        m_keys[size_t(key)] = button;
    }
}

QString MainView::keypadEntry() const
{
    QString entry;
    for (const QLabel *cell : m_digitCells)
        entry += cell->text();
    return entry;
}

void MainView::openKeypad()
{
    m_keypadOpenedWith = keypadEntry();
    m_keypadCover->show();
}

void MainView::cancelKeypad()
{
    for (int k = 0; k < kDigits; ++k)
        m_digitCells[size_t(k)]->setText(m_keypadOpenedWith.mid(k, 1));
    m_keypadCover->hide();
}

bool MainView::keypadKey(int key)
{
    if (m_keypadCover->isHidden())
        return false;
    if (key == Qt::Key_Escape)
        cancelKeypad();
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        m_keys[size_t(key - Qt::Key_0)]->click(); // typed digits go the buttons' way
    else if (key == Qt::Key_Return || key == Qt::Key_Enter)
        m_keys[size_t(kOkKey)]->click();
    else
        return false;
    return true;
}

void MainView::keyPressEvent(QKeyEvent *event)
{
    if (!keypadKey(event->key()))
        QWidget::keyPressEvent(event);
}

void MainView::keyboardTouch()
{
    const QString name = sender() ? sender()->objectName() : QString();
    qCDebug(lcMainView) << "Change Language:" << name;
    const int key = numberAfter(name, QStringLiteral("Keyboard"));
    // Cells fill from the left, so the entry's length is the next free cell.
    const QString entry = keypadEntry();

    if (key >= 0 && key <= 9) {
        if (entry.size() < kDigits)
            m_digitCells[size_t(entry.size())]->setText(QString::number(key));
    } else if (key == kOkKey) {
        if (entry.size() == kDigits) {
            m_passwordText = entry;
            m_menuEntries[size_t(kMenuEntries - 1)]->setText(tr("Password:") + entry);
            m_keypadCover->hide();
            sendDataToControl({PanelCommand::changePassword, entry});
        }
    } else if (key == kReturnKey) {
        for (QLabel *cell : m_digitCells)
            cell->clear();
    } else {
        qCWarning(lcMainView) << "keyboardTouch: unknown key" << name;
    }
}
