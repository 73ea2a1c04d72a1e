#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QTest>
#include <QtEndian>

#include <optional>
#include <variant>

// The resource script of lumaril.exe (as CMake makes it from src/app/lumaril.rc.in), compiled
// here with the MinGW cross windres and read back from the .res bytes, so that what Explorer
// would show is checked without a Windows machine. With LUMARIL_WINDOWS_EXE naming a built
// lumaril.exe, the same checks read the resources the program file itself carries instead;
// LUMARIL_WINDOWS_SETUP names the installer, whose version record is checked too. Named by
// LUMARIL_WINDOWS_EXE, the console companion lumaril.com is checked the same way.
class WindowsResourceTest : public QObject
{
    Q_OBJECT

    using Id = std::variant<quint16, QString>;
    struct Resource
    {
        Id type;
        Id name;
        QByteArray data;
    };
    // One node of a VERSIONINFO tree (VS_VERSIONINFO, StringFileInfo, a string table, ...).
    struct Node
    {
        QString key;
        bool isText = false;
        QByteArray value;
        QList<Node> children;
        const Node *child(const QString &name) const
        {
            for (const Node &c : children)
                if (c.key == name)
                    return &c;
            return nullptr;
        }
        QString text() const
        {
            QString s = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()),
                                           value.size() / 2);
            while (s.endsWith(QChar(0)))
                s.chop(1);
            return s;
        }
    };

    static constexpr quint16 RtIcon = 3;
    static constexpr quint16 RtGroupIcon = 14;
    static constexpr quint16 RtVersion = 16;
    static constexpr quint16 RtManifest = 24;

    QTemporaryDir m_dir;
    QString m_exe;
    QByteArray m_image; // the .exe's bytes, when checking one
    QList<Resource> m_resources;
    Node m_version;

    static quint16 word(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
    static quint32 dword(const QByteArray &b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }
    static qsizetype align4(qsizetype n) { return (n + 3) & ~qsizetype(3); }

    // A type or name in a .res header: 0xFFFF then a number, or a NUL-terminated UTF-16 name.
    static Id readId(const QByteArray &b, qsizetype &at)
    {
        if (word(b, at) == 0xFFFF) {
            const quint16 n = word(b, at + 2);
            at += 4;
            return n;
        }
        QString s;
        for (quint16 c; (c = word(b, at)) != 0; at += 2)
            s += QChar(c);
        at += 2;
        return s;
    }

    static QList<Resource> parseRes(const QByteArray &b)
    {
        QList<Resource> out;
        qsizetype at = 0;
        while (at + 32 <= b.size()) {
            const quint32 dataSize = dword(b, at);
            const quint32 headerSize = dword(b, at + 4);
            qsizetype p = at + 8;
            Resource r{readId(b, p), readId(b, p), b.mid(at + headerSize, dataSize)};
            // The file opens with an empty entry that marks it as a 32-bit .res.
            if (dataSize != 0)
                out.append(r);
            at = align4(at + headerSize + dataSize);
        }
        return out;
    }

    // The resources of a 64-bit PE file: the resource directory's three levels (type, name,
    // language) down to the data, whose addresses are mapped to file offsets by the sections.
    static QList<Resource> parsePe(const QByteArray &b, QString *problem)
    {
        QList<Resource> out;
        if (b.size() < 0x40 || !b.startsWith("MZ")) {
            *problem = QStringLiteral("not an MZ file");
            return out;
        }
        const qsizetype pe = dword(b, 0x3C);
        if (pe + 24 + 112 + 24 > b.size() || b.mid(pe, 4) != QByteArray("PE\0\0", 4)) {
            *problem = QStringLiteral("no PE header");
            return out;
        }
        const int sections = word(b, pe + 6);
        const qsizetype optional = pe + 24;
        if (word(b, optional) != 0x20B) {
            *problem = QStringLiteral("not a 64-bit (PE32+) program");
            return out;
        }
        const quint32 resourceRva = dword(b, optional + 112 + 2 * 8);
        const qsizetype sectionTable = optional + word(b, pe + 20);
        auto offsetOf = [&](quint32 rva) -> qsizetype {
            for (int i = 0; i < sections; ++i) {
                const qsizetype s = sectionTable + 40 * i;
                const quint32 virtualAddress = dword(b, s + 12);
                const quint32 size = qMax(dword(b, s + 8), dword(b, s + 16));
                if (rva >= virtualAddress && rva < virtualAddress + size)
                    return dword(b, s + 20) + (rva - virtualAddress);
            }
            return -1;
        };
        const qsizetype root = offsetOf(resourceRva);
        if (resourceRva == 0 || root < 0) {
            *problem = QStringLiteral("no resource section");
            return out;
        }
        auto entryId = [&](quint32 name) -> Id {
            if (!(name & 0x80000000u))
                return quint16(name);
            const qsizetype at = root + (name & 0x7FFFFFFFu);
            return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData() + at + 2),
                                      word(b, at));
        };
        auto entries = [&](qsizetype dir) {
            QList<std::pair<quint32, quint32>> list;
            const int n = word(b, dir + 12) + word(b, dir + 14);
            for (int i = 0; i < n; ++i)
                list.append({dword(b, dir + 16 + 8 * i), dword(b, dir + 20 + 8 * i)});
            return list;
        };
        for (const auto &[type, typeDir] : entries(root)) {
            for (const auto &[name, nameDir] : entries(root + (typeDir & 0x7FFFFFFFu))) {
                for (const auto &language : entries(root + (nameDir & 0x7FFFFFFFu))) {
                    const qsizetype leaf = root + language.second;
                    const qsizetype data = offsetOf(dword(b, leaf));
                    if (data < 0 || data + dword(b, leaf + 4) > b.size()) {
                        *problem = QStringLiteral("a resource lies outside the file");
                        return {};
                    }
                    out.append({entryId(type), entryId(name), b.mid(data, dword(b, leaf + 4))});
                }
            }
        }
        return out;
    }

    static Node parseVersionNode(const QByteArray &b, qsizetype at)
    {
        const quint16 length = word(b, at);
        const quint16 valueLength = word(b, at + 2);
        Node n;
        n.isText = word(b, at + 4) == 1;
        qsizetype p = at + 6;
        for (quint16 c; (c = word(b, p)) != 0; p += 2)
            n.key += QChar(c);
        p = align4(p + 2);
        const qsizetype valueBytes = n.isText ? valueLength * 2 : valueLength;
        n.value = b.mid(p, valueBytes);
        p = align4(p + valueBytes);
        while (p < at + length) {
            n.children.append(parseVersionNode(b, p));
            const quint16 childLength = word(b, p);
            if (childLength == 0)
                break;
            p = align4(p + childLength);
        }
        return n;
    }

    std::optional<Resource> find(quint16 type, const Id &name) const
    {
        for (const Resource &r : m_resources)
            if (r.type == Id(type) && r.name == name)
                return r;
        return std::nullopt;
    }

    bool isCompanion() const { return m_exe.endsWith(QLatin1String(".com")); }

    void compileResourceScript()
    {
        const QString windres = QStandardPaths::findExecutable(QStringLiteral("x86_64-w64-mingw32-windres"));
        if (windres.isEmpty())
            QSKIP("x86_64-w64-mingw32-windres is not installed (Debian: binutils-mingw-w64-x86-64)");

        QProcess rc;
        rc.setWorkingDirectory(m_dir.path());
        rc.setProcessChannelMode(QProcess::MergedChannels);
        const QString res = m_dir.filePath(QStringLiteral("lumaril.res"));
        rc.start(windres, {QStringLiteral("--preprocessor=cpp"), QStringLiteral("-O"), QStringLiteral("res"),
                           QStringLiteral("--include-dir=" LUMARIL_RESOURCE_INCLUDE),
                           QStringLiteral(LUMARIL_RESOURCE_SCRIPT), res});
        QVERIFY(rc.waitForFinished(60000));
        QVERIFY2(rc.exitStatus() == QProcess::NormalExit && rc.exitCode() == 0, rc.readAll().constData());

        QFile file(res);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_resources = parseRes(file.readAll());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_exe = qEnvironmentVariable("LUMARIL_WINDOWS_EXE");
        if (!m_exe.isEmpty()) {
            QFile exe(m_exe);
            QVERIFY2(exe.open(QIODevice::ReadOnly), qPrintable(m_exe + QStringLiteral(": ") + exe.errorString()));
            m_image = exe.readAll();
            QString problem;
            m_resources = parsePe(m_image, &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(m_exe + QStringLiteral(": ") + problem));
        } else {
            compileResourceScript();
            if (QTest::currentTestFailed() || m_resources.isEmpty())
                return;
        }
        QVERIFY(!m_resources.isEmpty());

        const auto version = find(RtVersion, Id(quint16(1)));
        QVERIFY2(version, "no VERSIONINFO resource with id 1");
        m_version = parseVersionNode(version->data, 0);
        QCOMPARE(m_version.key, QStringLiteral("VS_VERSION_INFO"));
    }

    void fixedVersionNumbers()
    {
        const QByteArray &f = m_version.value;
        QCOMPARE(f.size(), 52);
        QCOMPARE(dword(f, 0), 0xFEEF04BDu);
        QCOMPARE(dword(f, 8), 0x00010000u); // file version 1.0 ...
        QCOMPARE(dword(f, 12), 0x00000000u); // ... .0.0
        QCOMPARE(dword(f, 16), 0x00010000u); // product version likewise
        QCOMPARE(dword(f, 20), 0x00000000u);
        QCOMPARE(dword(f, 28), 0u); // no debug, pre-release or patched flags
        QCOMPARE(dword(f, 32), 0x40004u); // VOS_NT_WINDOWS32
        QCOMPARE(dword(f, 36), 1u); // VFT_APP
    }

    void strings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CompanyName") << "CompanyName" << "Lumaril Project";
        QTest::newRow("ProductName") << "ProductName" << "Lumaril";
        QTest::newRow("FileVersion") << "FileVersion" << "1.00";
        QTest::newRow("ProductVersion") << "ProductVersion" << "1.00";
        QTest::newRow("InternalName") << "InternalName" << "lumaril";
        QTest::newRow("OriginalFilename") << "OriginalFilename" << (isCompanion() ? "lumaril.com" : "lumaril.exe");
    }

    void strings()
    {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const Node *info = m_version.child(QStringLiteral("StringFileInfo"));
        QVERIFY(info);
        QCOMPARE(info->children.size(), 1);
        const Node *table = info->child(QStringLiteral("040904B0"));
        QVERIFY(table);
        const Node *value = table->child(key);
        QVERIFY2(value, qPrintable(key + QStringLiteral(" is missing")));
        QVERIFY(value->isText);
        QCOMPARE(value->text(), expected);
    }

    // Explorer looks the strings up by the language and code page listed here, so the pair
    // has to name the one string table there is.
    void translationNamesTheStringTable()
    {
        const Node *var = m_version.child(QStringLiteral("VarFileInfo"));
        QVERIFY(var);
        const Node *translation = var->child(QStringLiteral("Translation"));
        QVERIFY(translation);
        QCOMPARE(translation->value.size(), 4);
        const quint16 language = word(translation->value, 0);
        const quint16 codePage = word(translation->value, 2);
        QCOMPARE(language, quint16(0x409));
        QCOMPARE(codePage, quint16(1200));
        const QString tableKey = QStringLiteral("%1%2").arg(language, 4, 16, QChar(u'0')).arg(codePage, 4, 16, QChar(u'0'));
        QVERIFY(m_version.child(QStringLiteral("StringFileInfo"))->child(tableKey.toUpper()));
    }

    // Windows picks an image by the sizes and colour depths the group lists, so those must
    // agree with the images themselves.
    void iconGroupHoldsTheThreeImages()
    {
        const auto group = find(RtGroupIcon, Id(QStringLiteral("IDI_ICON1")));
        QVERIFY2(group, "no icon group named IDI_ICON1");
        const QByteArray &g = group->data;
        QCOMPARE(word(g, 2), quint16(1)); // icons, not cursors
        const int count = word(g, 4);
        QCOMPARE(count, 3);
        QCOMPARE(g.size(), 6 + 14 * count);

        QStringList images;
        for (int i = 0; i < count; ++i) {
            const qsizetype e = 6 + 14 * i;
            const int width = quint8(g[e]) ? quint8(g[e]) : 256;
            const int height = quint8(g[e + 1]) ? quint8(g[e + 1]) : 256;
            const int bits = word(g, e + 6);
            const quint16 id = word(g, e + 12);

            const auto icon = find(RtIcon, Id(id));
            QVERIFY2(icon, qPrintable(QStringLiteral("icon image %1 is missing").arg(id)));
            const QByteArray &dib = icon->data;
            QCOMPARE(dword(g, e + 8), quint32(dib.size()));
            QCOMPARE(dword(dib, 0), 40u); // a BITMAPINFOHEADER, not PNG
            QCOMPARE(int(dword(dib, 4)), width);
            QCOMPARE(int(dword(dib, 8)), 2 * height); // colour rows, then the mask
            QCOMPARE(int(word(dib, 14)), bits);
            images << QStringLiteral("%1x%2/%3bpp").arg(width).arg(height).arg(bits);
        }
        images.sort();
        QCOMPARE(images, QStringList({"16x16/4bpp", "32x32/1bpp", "32x32/4bpp"}));
    }

    // Explorer shows the first icon group as the program's icon and reads the first version
    // record; a second one brought in by the build would be the one seen.
    void oneIconGroupAndOneVersionRecord()
    {
        int groups = 0;
        int versions = 0;
        for (const Resource &r : std::as_const(m_resources)) {
            groups += r.type == Id(RtGroupIcon);
            versions += r.type == Id(RtVersion);
        }
        QCOMPARE(groups, 1);
        QCOMPARE(versions, 1);
    }

    // A GUI program: started from Explorer it opens no console window beside its own. Its
    // companion is the console program that cmd.exe waits for.
    void programFileIsGuiProgram()
    {
        if (m_exe.isEmpty())
            QSKIP("checks a built lumaril.exe, named by LUMARIL_WINDOWS_EXE");
        const qsizetype optional = dword(m_image, 0x3C) + 24;
        // IMAGE_SUBSYSTEM_WINDOWS_CUI, IMAGE_SUBSYSTEM_WINDOWS_GUI
        QCOMPARE(word(m_image, optional + 68), quint16(isCompanion() ? 3 : 2));
    }

    // What Windows reads before the program starts: without the compatibility list it gives the
    // program an older Windows' behaviour, without per-monitor DPI awareness Qt 6's windows are
    // blurred on a second monitor of another scale.
    void manifest()
    {
        if (isCompanion())
            QSKIP("the console companion has no window and no manifest");
        const auto manifest = find(RtManifest, Id(quint16(1))); // CREATEPROCESS_MANIFEST_RESOURCE_ID
        QVERIFY2(manifest, "no manifest resource with id 1");
        QStringList seen;
        QXmlStreamReader xml(manifest->data);
        while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
            if (!xml.isStartElement())
                continue;
            const auto a = xml.attributes();
            QString text = xml.name().toString() + u' ';
            for (const char *name : {"Id", "name", "level"})
                text += a.value(QLatin1String(name));
            if (xml.namespaceUri().endsWith(u"WindowsSettings"))
                text += xml.readElementText();
            seen << text.trimmed();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        for (const char *expected : {"assemblyIdentity Microsoft.Windows.Common-Controls", "dpiAware true/pm",
                                     "dpiAwareness PerMonitorV2", "longPathAware true",
                                     "requestedExecutionLevel asInvoker",
                                     "supportedOS {35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
                                     "supportedOS {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
                                     "supportedOS {1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
                                     "supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) // 10, 11
            QVERIFY2(seen.contains(QLatin1String(expected)), expected);
    }

    // The installer's Properties page names what it installs and which version.
    void installerVersionRecord()
    {
        QFile setup(qEnvironmentVariable("LUMARIL_WINDOWS_SETUP"));
        if (setup.fileName().isEmpty())
            QSKIP("checks a built installer, named by LUMARIL_WINDOWS_SETUP");
        QVERIFY2(setup.open(QIODevice::ReadOnly), qPrintable(setup.errorString()));
        QString problem;
        for (const Resource &r : parsePe(setup.readAll(), &problem)) {
            if (r.type == Id(RtVersion)) {
                const Node *table = parseVersionNode(r.data, 0).child(QStringLiteral("StringFileInfo"));
                QVERIFY(table && !table->children.isEmpty());
                QCOMPARE(table->children.first().child(QStringLiteral("ProductVersion"))->text(), QStringLiteral("1.00"));
                QCOMPARE(table->children.first().child(QStringLiteral("ProductName"))->text(), QStringLiteral("Lumaril"));
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("the installer has no version record ") + problem));
    }
};

QTEST_GUILESS_MAIN(WindowsResourceTest)
#include "windowsresourcetest.moc"
