// The real dialogs and message boxes behind UserPrompts.
#include "ui/QtUserPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace hublane::ui {

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        entries << parts[i] + QStringLiteral(" (") +
                       QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

void QtUserPrompts::ClearTheWay() {
    if (m_splash && m_splash->isVisible()) {
        m_splash->hide();
    }
}

void QtUserPrompts::ShowError(const QString& text, const QString& caption, bool ownedByMainWindow) {
    ClearTheWay();
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok,
                    ownedByMainWindow ? m_mainWindow.data() : nullptr);
    box.exec();
}

std::optional<QString> QtUserPrompts::ChooseOpenFile(const QString& filter) {
    ClearTheWay();
    const QString file =
        QFileDialog::getOpenFileName(m_mainWindow.data(), QString(), QString(), ToQtFilter(filter));
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return file;
}

std::optional<QString> QtUserPrompts::ChooseFolder(const QString& title, const QString& startFolder) {
    ClearTheWay();
    const QString dir = QFileDialog::getExistingDirectory(nullptr, title, startFolder);
    if (dir.isEmpty()) {
        return std::nullopt;
    }
    return dir;
}

void QtUserPrompts::ShowEscapedError(const QString& message) {
    ClearTheWay();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Hublane"), message, QMessageBox::Ok,
                    m_mainWindow.data());
    box.exec();
}

}  // namespace hublane::ui
