#include "shell/shellfolders.h"

#include "common/resultline.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <exception>

namespace shell {

namespace {
// The failure box: "Error: <number>. <description>", OK only, no icon,
// titled with the function's name.
void ShowFailure(QWidget *owner, const char *function, int number, const QString &description)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(function),
                    QStringLiteral("Error: ") + QString::number(number) + QStringLiteral(". ") + description,
                    QMessageBox::Ok, owner);
    box.exec();
}
} // namespace

QString BrowseForFolder(QWidget *owner, const QString &title, const QString &defaultText)
{
    try {
        // Modal to its owner only: the other window stays usable.  It opens
        // at the file system's root with nothing chosen, never in whatever
        // folder the program was started from.
        QFileDialog dialog(owner, title, QDir::rootPath());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        const QStringList chosen = dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
        return chosen.isEmpty() || chosen.first().isEmpty() ? defaultText : chosen.first();
    } catch (const std::exception &e) {
        ShowFailure(owner, common::procedure::BrowseForFolder, 7, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowFailure(owner, common::procedure::BrowseForFolder, 5, QStringLiteral("Unexpected failure"));
    }
    return QString();
}

QString DesktopFolder(QWidget *owner)
{
    try {
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    } catch (const std::exception &e) {
        ShowFailure(owner, common::procedure::DesktopFolder, 7, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowFailure(owner, common::procedure::DesktopFolder, 5, QStringLiteral("Unexpected failure"));
    }
    return QString();
}

} // namespace shell
