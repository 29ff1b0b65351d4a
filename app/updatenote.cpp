#include "app/updatenote.h"

#include <QLabel>
#include <QTextEdit>
#include <QWidget>

void showUpdateNote(const QString &note)
{
    auto *window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("updateNote"));
    window->setGeometry(100, 100, 300, 300);
    auto *label = new QLabel(QStringLiteral("Update Note:"), window);
    label->setGeometry(10, 5, 280, 15);
    auto *text = new QTextEdit(window);
    text->setGeometry(10, 20, 280, 270);
    // The note comes from the network: show it as plain text, never as markup.
    text->setAcceptRichText(false);
    text->append(note.toHtmlEscaped());
    window->show();
}
