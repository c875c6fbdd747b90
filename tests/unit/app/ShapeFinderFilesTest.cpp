// The names the shape finder keeps confirmed drawings under: the local date and time,
// and a number when another drawing was saved in the same second.
#include "app/ShapeFinder.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ShapeFinderFiles, DrawingsSavedInTheSameSecondKeepFilesOfTheirOwn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d@\\d\\d\\.\\d\\d\\.\\d\\d(-\\d+)?\\.rbxshape$"));
    QSet<QString> names;
    for (int i = 0; i < 4; ++i) {
        const QString path = ShapeFinder::drawingFileName(dir.path());
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        const QString name = QFileInfo(path).fileName();
        EXPECT_TRUE(form.match(name).hasMatch()) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path)) << name.toStdString();
        names.insert(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(names.size(), 4);
}
