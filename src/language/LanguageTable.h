// The texts table: numbered texts of the language file, held for the whole run.
#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

namespace hublane::language {

/// Entry 0 is the empty text, entry N is text number N of the language file.
class LanguageTable {
  public:
    void Reset() { m_texts = QStringList{QString()}; }
    void Append(const QString& text) { m_texts.append(text); }
    /// Number of texts loaded, entry 0 not counted.
    int Count() const { return m_texts.isEmpty() ? 0 : static_cast<int>(m_texts.size()) - 1; }
    /// Text number n; a number beyond the last loaded text is an index error.
    QString LangText(int n) const {
        if (n < 0 || n >= m_texts.size()) {
            throw std::out_of_range("language text " + std::to_string(n) + " is not loaded");
        }
        return m_texts.at(n);
    }

  private:
    QStringList m_texts;
};

}  // namespace hublane::language
