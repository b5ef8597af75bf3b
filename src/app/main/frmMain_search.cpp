// The search commands: start and end of a search, the pattern check, the
// stop request and the availability of the copy command.
#include "app/main/frmMain.h"

#include "common/filecopy.h"
#include "foldertree/foldertree.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

void frmMain::cmdExpand_Click()
{
    RunSearch(false);
}

void frmMain::cmdExpandToDrv_Click()
{
    RunSearch(true);
}

void frmMain::RunSearch(bool copy)
{
    m_sinceEvents.invalidate();   // the first yield shows the start at once
    try {
        m_search.Begin();
        cmdExpandToDrv->setEnabled(false);
        cmdExpand->setEnabled(false);
        cmdCancel->setEnabled(true);
        chkDetail->setEnabled(false);
        AddMessage(copy ? QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆") : QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));

        if (CheckPattern()) {
            bool go = true;
            if (copy) {
                const QString destination = txtFolder->text();
                if (destination.isEmpty() || !modCommon::DirExists(destination)) {
                    ShowWarning(QStringLiteral("コピー先フォルダが不正です。"));
                    go = false;
                }
            }
            if (go)
                m_search.Walk(tvMain->SelectedFolder(), copy);
        }
    } catch (...) {
        // Any failure ends the search normally: banner and buttons below.
    }

    try {
        AddMessage(QStringLiteral("☆☆☆ 終了 ☆☆☆"));
    } catch (...) {
    }
    m_search.End();
    cmdExpandToDrv->setEnabled(true);
    cmdExpand->setEnabled(true);
    cmdCancel->setEnabled(false);
    chkDetail->setEnabled(true);
    m_result.SyncView();
}

bool frmMain::CheckPattern()
{
    try {
        if (m_search.SetPatterns(txtPattern->text()))
            return true;
        ShowWarning(QStringLiteral("設定された検索文字列が不正です。"));
        txtPattern->setFocus();
    } catch (...) {
    }
    return false;
}

void frmMain::ShowWarning(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void frmMain::cmdCancel_Click()
{
    m_search.RequestStop();
    AddMessage(QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆"));
}

void frmMain::chkDetail_Click()
{
    cmdExpandToDrv->setEnabled(chkDetail->isChecked());
}
