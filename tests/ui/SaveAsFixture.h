#pragma once

// A frame with a folder for documents.

#include "FrameFixture.h"

#include <QTemporaryDir>

namespace quarbel::testing {

class SaveAsTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ASSERT_TRUE(m_docs.isValid());
    }
    QString docsDir() const { return m_docs.path(); }
    QString inDocs(const QString& name) const { return QDir(m_docs.path()).filePath(name); }
    void queueSave(const QString& name) { dialogs.queueFile(platform::FileChoice{inDocs(name), name}); }

private:
    QTemporaryDir m_docs;
};

} // namespace quarbel::testing
