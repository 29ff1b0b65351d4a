#include "ui/translationswitch.h"

#include <QCoreApplication>
#include <QTranslator>

TranslationSwitch::TranslationSwitch() = default;

TranslationSwitch::~TranslationSwitch()
{
    if (m_installed)
        QCoreApplication::removeTranslator(m_installed.get());
}

bool TranslationSwitch::load(const QString &file)
{
    // QTranslator::load empties the translator before it tries the file.
    auto next = std::make_unique<QTranslator>();
    if (!next->load(file))
        return false;
    if (m_installed)
        QCoreApplication::removeTranslator(m_installed.get());
    QCoreApplication::installTranslator(next.get());
    m_installed = std::move(next);
    return true;
}
