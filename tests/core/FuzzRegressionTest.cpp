// Replays the fuzz targets' seed inputs and every input that once made a target fail, so a
// fixed finding stays fixed in every build, with or without libFuzzer.
#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

using Entry = int (*)(const uint8_t*, size_t);

struct Target {
    const char* name;
    Entry entry;
};

class FuzzRegression : public testing::TestWithParam<Target>
{
};

TEST_P(FuzzRegression, KeptInputsRunCleanly)
{
    const Target target = GetParam();
    int replayed = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const QDir folder(QStringLiteral(TAMSOR_FUZZ_DIR "/%1/%2")
                              .arg(QLatin1String(kind), QLatin1String(target.name)));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
            const QByteArray bytes = file.readAll();
            SCOPED_TRACE(qPrintable(file.fileName()));
            EXPECT_EQ(target.entry(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size())),
                      0);
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no kept inputs for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression,
                         testing::Values(Target{"project-file", FuzzProjectFile},
                                         Target{"define-file", FuzzDefineFile},
                                         Target{"language-file", FuzzLanguageFile},
                                         Target{"modbus-replies", FuzzModbusReplies},
                                         Target{"register-decoders", FuzzRegisterDecoders}),
                         [](const testing::TestParamInfo<Target>& info) {
                             QString name = QString::fromLatin1(info.param.name);
                             return name.remove(u'-').toStdString();
                         });

} // namespace
