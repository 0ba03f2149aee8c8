// Each instrument format over its fixtures: the points, the records left out and the notes.
#include "Fixtures.h"

#include "formats/Angles.h"

#include <QtTest>

class TestReaders : public QObject {
    Q_OBJECT

    static void fixtureRows(TInstrumentFormat format, bool delimited = false) {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < std::size(kFixtures); ++i)
            if (fixtureChoice(kFixtures[i]).Format == (delimited ? TInstrumentFormat::Delimited : format))
                QTest::newRow(kFixtures[i].Name) << static_cast<int>(i);
    }
    static void readFixture() {
        QFETCH(int, index);
        const TFixture& f = kFixtures[index];
        const TInstrumentResult r = ReadInstrumentData(f.Text, fixtureChoice(f));
        QCOMPARE(pointsText(r), QString(f.Points));
        QCOMPARE(messagesText(r.Problems), QString(f.Problems));
        QCOMPARE(messagesText(r.Notes), QString(f.Notes));
        QCOMPARE(messagesText(r.Warnings), QString(f.Warnings));
    }

private slots:
    void gsi_data() { fixtureRows(TInstrumentFormat::Gsi); }
    void gsi() { readFixture(); }
    void sdr_data() { fixtureRows(TInstrumentFormat::Sdr); }
    void sdr() { readFixture(); }
    void nikonRaw_data() { fixtureRows(TInstrumentFormat::NikonRaw); }
    void nikonRaw() { readFixture(); }
    void rw5_data() { fixtureRows(TInstrumentFormat::Rw5); }
    void rw5() { readFixture(); }
    void are_data() { fixtureRows(TInstrumentFormat::Are); }
    void are() { readFixture(); }
    void gts7_data() { fixtureRows(TInstrumentFormat::Gts7); }
    void gts7() { readFixture(); }
    void delimited_data() { fixtureRows(TInstrumentFormat::Delimited, true); }
    void delimited() { readFixture(); }

    void angles_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("degrees"); // -1: refused
        const int gon = int(TAngleUnit::Gon), dms = int(TAngleUnit::DegreeDms), mil = int(TAngleUnit::Mil);
        QTest::newRow("gon") << "100.0000" << gon << 90.0;
        QTest::newRow("decimal degrees") << "123.5" << int(TAngleUnit::Degree) << 123.5;
        QTest::newRow("mil") << "1600" << mil << 90.0;
        QTest::newRow("dms") << "123.4530" << dms << 123.0 + 45.0 / 60 + 30.0 / 3600;
        QTest::newRow("dms decimals of seconds") << "10.00305" << dms << 10.0 + 30.5 / 3600;
        QTest::newRow("dms short fraction is minutes") << "12.3" << dms << 12.5;
        QTest::newRow("dms negative") << "-0.3000" << dms << -0.5;
        QTest::newRow("dms 60 minutes") << "12.6000" << dms << -1.0;
        QTest::newRow("dms 60 seconds") << "12.0060" << dms << -1.0;
        QTest::newRow("not a number") << "1e" << gon << -1.0;
        QTest::newRow("nan") << "nan" << gon << -1.0;
    }
    void angles() {
        QFETCH(QString, text);
        QFETCH(int, unit);
        QFETCH(double, degrees);
        double radians = 0.0;
        const bool ok = ParseAngle(text.toStdString(), TAngleUnit(unit), radians);
        QCOMPARE(ok, degrees != -1.0);
        if (ok)
            QVERIFY(qAbs(radians * 180.0 / kPi - degrees) < 1e-9);
    }
};

QTEST_GUILESS_MAIN(TestReaders)
#include "tst_readers.moc"
