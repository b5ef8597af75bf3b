#pragma once
// A source tree and a destination folder for tests that copy, each a
// temporary folder of its own, made afresh for every test function.

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

class CopyFolders {
protected:
    // New, empty folders; from init().
    void MakeFolders()
    {
        m_src = std::make_unique<QTemporaryDir>();
        m_dst = std::make_unique<QTemporaryDir>();
        S = m_src->path();
        D = m_dst->path();
    }
    // Both gone with all they hold; from cleanup().
    void RemoveFolders()
    {
        m_src.reset();
        m_dst.reset();
    }

    QString S;   // the source tree
    QString D;   // the destination

private:
    std::unique_ptr<QTemporaryDir> m_src, m_dst;
};

} // namespace testsupport
