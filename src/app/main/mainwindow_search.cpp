// The search commands: start and end of a search, the pattern check, the
// stop request and the availability of the copy command.
#include "app/main/mainwindow.h"

#include "common/filecopy.h"
#include "common/resultline.h"
#include "foldertree/foldertree.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

void MainWindow::Search()
{
    RunSearch(false);
}

void MainWindow::SearchAndCopy()
{
    RunSearch(true);
}

void MainWindow::RunSearch(bool copy)
{
    m_sinceEvents.invalidate();   // the first yield shows the start at once
    m_search.Begin();
    m_searchCopyButton->setEnabled(false);
    m_searchButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_fullExpandCheck->setEnabled(false);
    AppendLine(copy ? QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆") : QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));

    if (CheckPattern()) {
        bool go = true;
        if (copy) {
            const QString destination = m_destinationEdit->text();
            if (destination.isEmpty() || !common::FolderExists(destination, *this)) {
                // The box is closed at once while the search runs: the list
                // and the status bar keep the warning in sight.
                AppendLine(common::InvalidDestinationLine());
                SetStatusText(common::InvalidDestinationText());
                ShowWarning(common::InvalidDestinationText());
                go = false;
            }
        }
        if (go)
            m_search.Walk(m_folderTree->SelectedFolder(), copy);
    }

    AppendLine(QStringLiteral("☆☆☆ 終了 ☆☆☆"));
    m_search.End();
    m_searchCopyButton->setEnabled(true);
    m_searchButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    m_fullExpandCheck->setEnabled(true);
    m_result.SyncView();
}

bool MainWindow::CheckPattern()
{
    if (m_search.SetPatterns(m_patternEdit->text()))
        return true;
    ShowWarning(QStringLiteral("設定された検索文字列が不正です。"));
    m_patternEdit->setFocus();
    return false;
}

void MainWindow::ShowWarning(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::RequestStop()
{
    m_search.RequestStop();
    AppendLine(QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆"));
}

void MainWindow::UpdateCopyButton()
{
    m_searchCopyButton->setEnabled(m_fullExpandCheck->isChecked());
}
