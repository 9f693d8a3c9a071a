// The language texts hublanectl puts into the error lines of the list file readers.
#include "cli/CliLanguage.h"

namespace hublane::cli {
namespace {

platform::LanguageTable DefaultFrenchTexts() {
    platform::LanguageTable table;
    table.Reset();
    // Texts 3 and 10 are followed by a value (the expected first byte, the tag type).
    for (const char16_t* text : {
             u"Fichier de langage de Hublane",               // 1
             u"Impossible d'ouvrir le fichier",              // 2
             u"Fichier invalide, premier octet attendu : ",  // 3
             u"Fin de fichier inattendue",                   // 4
             u"Type de tag illisible",                       // 5
             u"Longueur du nom de tag illisible",            // 6
             u"Nom de tag incomplet",                        // 7
             u"Longueur du texte illisible",                 // 8
             u"Valeur de tag incomplète",                    // 9
             u"Type de tag inconnu : ",                      // 10
         }) {
        table.Append(QString::fromUtf16(text));
    }
    return table;
}

}  // namespace

const platform::LanguageTable& CliLanguage() {
    static const platform::LanguageTable texts = DefaultFrenchTexts();
    return texts;
}

}  // namespace hublane::cli
