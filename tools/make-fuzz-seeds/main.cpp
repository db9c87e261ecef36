// make-fuzz-seeds SOURCE_DIR: writes the seed inputs of every fuzz target into
// SOURCE_DIR/fuzz/corpus/<target>/, in the input layouts the targets take apart (fuzz/*.cpp):
// the demo and saved projects, the demo define file, the shipped language files, frames of a
// read over Modbus RTU and TCP, and the demo register image with its definitions.
#include "DemoPanel.h"
#include "TamsorError.h"
#include "comm/KivCrc.h"
#include "comm/KivModbus.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <cstdio>
#include <initializer_list>

namespace
{

QDir g_corpus;

void Seed(const QString& target, const QString& name, const QByteArray& bytes)
{
    g_corpus.mkpath(target);
    QSaveFile file(g_corpus.filePath(target + u'/' + name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw TamsorError(QStringLiteral("Cannot create file \"%1\". %2")
                              .arg(file.fileName(), file.errorString()));
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TamsorError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return file.readAll();
}

QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

// A 16-bit-length piece, as the targets take their inputs apart.
QByteArray Piece(const QByteArray& bytes)
{
    const qsizetype size = qMin<qsizetype>(bytes.size(), 0xFFFF);
    return Bytes({char(size & 0xFF), char(size >> 8)}) + bytes.left(size);
}

QByteArray Body(TKivTamsor& root)
{
    TKivStream body;
    root.SerializeStream(TKivSerialization::Save, body);
    return body.TakeBytes();
}

// A project with a channel of each kind and stations on the serial and TCP channels.
void LineProject(TKivTamsor& root)
{
    root.Start();
    root.Title = QStringLiteral("Line 2");
    auto* uart = new TKivChannel(root.Channels.get());
    uart->UartPort = QStringLiteral("ttyUSB0");
    uart->Parity = 2;
    auto* tcp = new TKivChannel(root.Channels.get());
    tcp->Type = TKivChannel::TypeInternet;
    tcp->Ip = QStringLiteral("192.168.0.20:502");
    auto* file = new TKivChannel(root.Channels.get());
    file->Type = TKivChannel::TypeRegisterFile;
    file->RegisterFileName = QStringLiteral("dump.bin");
    for (TKivChannel* channel : {uart, tcp}) {
        auto* station = new TKivStation(channel);
        station->StationNum = 1;
        station->ModelName = QStringLiteral("TP-300");
        station->ModelID = 769;
    }
}

void ProjectSeeds(const QDir& examples)
{
    Seed("project-file", "demo-file", '\0' + ReadFile(examples.filePath("demo.zop")));
    TKivTamsor line;
    LineProject(line);
    Seed("project-file", "line-file", '\0' + EncodeProjectFile(line));
    TKivTamsor empty;
    empty.Start();
    new TKivChannel(empty.Channels.get());
    Seed("project-file", "channel-body", '\1' + Body(empty));
    TKivTamsor demo;
    if (!ReadProjectFile(examples.filePath("demo.zop"), demo))
        throw TamsorError(QStringLiteral("examples/demo.zop is not a project file"));
    Seed("project-file", "demo-body", '\1' + Body(demo));
}

void DefineSeeds()
{
    const QString text = DemoDefineText();
    Seed("define-file", "demo-utf8", '\0' + text.toUtf8());
    Seed("define-file", "demo-utf16",
         QByteArray(1, '\0') + "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    const QString chinese = QStringLiteral("[Model]\nName=面板\nID=$0301\n[ALARM]\nAlarmCount=2\n"
                                           "BackupAddr=0x8000\nBackupSpace=64\n[ALARM0000]\n"
                                           "Name=温度过高\nGroup=1\nMessage0=\"温度\"\n");
    Seed("define-file", "gb18030", '\1' + QStringEncoder("GB18030").encode(chinese));
}

void LanguageSeeds(const QDir& lang)
{
    const struct {
        const char* folder;
        char selector; // index into the target's language list
    } languages[] = {{"1033", 0}, {"1031", 1}, {"1028", 2}, {"2052", 3}};
    for (const auto& language : languages) {
        const QByteArray strTab =
            ReadFile(lang.filePath(QStringLiteral("%1/StrTab.ini").arg(language.folder)));
        const QByteArray strRes =
            ReadFile(lang.filePath(QStringLiteral("%1/StrRes.ini").arg(language.folder)));
        // Language files are large; the seed keeps the head of each, where every kind of
        // entry (texts, lists, fonts, references) already occurs.
        Seed("language-file", language.folder,
             language.selector + Piece(strTab.left(6000)) + strRes.left(6000));
    }
    const QString legacy = QStringLiteral("STR01000=Größe\nSTR02040=2\nSTR02041=0 Keine\n"
                                          "STR02042=3600-1 Stunde\nFont.Size=9\n");
    Seed("language-file", "1031-legacy",
         char(1) + Piece(QStringEncoder("windows-1252").encode(legacy)) +
             QByteArray("FormMain.miFile.Caption=STR01000.\nFormMain.moLog.Lines=a,\"b c\"\n"));
}

// A piece of the modbus-replies target: head (time step, seal and answer flags), length, bytes.
QByteArray Reply(quint8 head, const QByteArray& bytes)
{
    return char(head) + (char(bytes.size()) + bytes);
}

void ModbusSeeds()
{
    constexpr quint8 answer = 0x20, seal = 0x10, step1ms = 2, step26ms = 6, step501ms = 8;
    // Modbus RTU: the identify reply, two blocks, an exception and a reply with a bad CRC.
    QByteArray rtu(1, '\0');
    rtu += Reply(answer | step1ms, "") + Reply(step26ms, "");
    rtu += Reply(answer | step1ms, "\x10\x20") + Reply(step26ms, "");
    rtu += Reply(seal | step1ms, "\x01\x83\x02") + Reply(step26ms, "");
    rtu += Reply(step1ms, WithModbusCrc(QByteArray("\x01\x03\x02\x12\x34", 5)).append('\xFF'));
    rtu += Reply(step501ms, "");
    Seed("modbus-replies", "rtu-read", rtu);
    // Modbus TCP: the identify reply split in two, a block, an exception, a bad header.
    QByteArray tcp(1, '\1');
    tcp += Reply(step1ms, QByteArray("\0\0\0\0\0\x07\x01\x03\x04\x03", 10));
    tcp += Reply(step1ms, QByteArray("\x01\0\0", 3));
    tcp += Reply(answer | step1ms, "\x07");
    tcp += Reply(seal | step1ms, "\x01\x83\x0B");
    tcp += Reply(step1ms, QByteArray("\0\0\0\x01\0\x03\x01\x03\0", 9));
    Seed("modbus-replies", "tcp-read", tcp);
    // Nothing comes back: resends, then the read fails.
    QByteArray silent(1, '\0');
    for (int i = 0; i < 10; ++i)
        silent += Reply(step501ms, "");
    Seed("modbus-replies", "rtu-silent", silent);
}

void DecoderSeeds()
{
    const QByteArray image = DemoRegisterImage();
    QByteArray patches;
    for (int r = 0; r < kRegisterCount; ++r) {
        const char low = image[2 * r], high = image[2 * r + 1];
        if (low || high)
            patches += Bytes({char(r & 0xFF), char(r >> 8), low, high});
    }
    const QByteArray define = DemoDefineText().toUtf8();
    const QByteArray days = Bytes({char(0x10), char(0xB5)}); // day 46352: 2026-11-25
    Seed("register-decoders", "demo",
         Piece(define) + Piece("yyyy-MM-dd hh:mm:ss\n\x01\x04\x02\x06\x08\x01") + days + patches);
    Seed("register-decoders", "demo-default-display", Piece(define) + Piece("") + days + patches);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds SOURCE_DIR\n");
        return 2;
    }
    try {
        const QDir source(QString::fromLocal8Bit(argv[1]));
        g_corpus.setPath(source.filePath(QStringLiteral("fuzz/corpus")));
        ProjectSeeds(QDir(source.filePath(QStringLiteral("examples"))));
        DefineSeeds();
        LanguageSeeds(QDir(source.filePath(QStringLiteral("lang"))));
        ModbusSeeds();
        DecoderSeeds();
        std::printf("wrote the fuzz seeds into %s\n", qPrintable(g_corpus.path()));
    } catch (const TamsorError& error) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
