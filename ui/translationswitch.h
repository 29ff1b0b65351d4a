#pragma once

#include <QString>

#include <memory>

class QTranslator;

// The translation installed for the interface texts. A file that does not
// load leaves the installed one in place: the panel keeps its language rather
// than falling back to the untranslated texts.
class TranslationSwitch {
public:
    TranslationSwitch();
    ~TranslationSwitch();
    TranslationSwitch(const TranslationSwitch &) = delete;
    TranslationSwitch &operator=(const TranslationSwitch &) = delete;

    // Installs the .qm file in place of the current one; false (nothing
    // changed) when it cannot be loaded.
    bool load(const QString &file);

private:
    std::unique_ptr<QTranslator> m_installed;
};
