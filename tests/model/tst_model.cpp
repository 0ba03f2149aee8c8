#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "model/ProjectManager.h"

#include <QtTest>

namespace {

// Counts live points so that tests can see what was freed.
int g_live = 0;
struct CountedPoint : TPoint3D {
    CountedPoint() { ++g_live; }
    ~CountedPoint() { --g_live; }
};

// The pattern every creator of points follows: find the group by code, else make it.
TPoint3D* addPoint(TNCADProject& project, const std::string& code, double x, double y,
                   double z = 0, const std::string& id = {}) {
    auto point = std::make_unique<TPoint3D>();
    point->SetXYZ(x, y, z);
    point->ID = id;
    TPoint3D* raw = point.get();
    int index = -1;
    TNCADItem* item = project.FindItemByCode(code, index);
    if (index == -1) {
        auto group = std::make_unique<TNCADItem>();
        group->AddPoint(std::move(point));
        group->SetCode(code);
        project.AddItem(std::move(group));
    } else {
        item->AddPoint(std::move(point));
        project.SetItem(index, item); // stored back at its own index: must change nothing
    }
    return raw;
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void setXYZKeepsParameterOrder() {
        TPoint3D p;
        QCOMPARE(p.X, 0.0);
        QVERIFY(p.ID.empty());
        p.SetXYZ(1.5, -2.5, 3.25);
        QCOMPARE(p.X, 1.5);
        QCOMPARE(p.Y, -2.5);
        QCOMPARE(p.Z, 3.25);
    }

    void groupsFollowFirstAppearanceOfCode() {
        TNCADProject project;
        TPoint3D* a1 = addPoint(project, "A", 1, 1);
        TPoint3D* b1 = addPoint(project, "B", 2, 2);
        TPoint3D* a2 = addPoint(project, "A", 3, 3);
        QCOMPARE(project.Count(), 2);
        QCOMPARE(project.GetItem(0)->Code(), std::string("A"));
        QCOMPARE(project.GetItem(0)->PointCount(), 2);
        QCOMPARE(project.GetItem(0)->GetPoint(0), a1);
        QCOMPARE(project.GetItem(0)->GetPoint(1), a2);
        QCOMPARE(project.GetItem(1)->GetPoint(0), b1);
    }

    void codesAreCaseSensitiveAndEmptyCodeIsAGroup() {
        TNCADProject project;
        addPoint(project, "abc", 0, 0);
        addPoint(project, "ABC", 0, 0);
        addPoint(project, "", 1, 0);
        addPoint(project, "", 2, 0);
        QCOMPARE(project.Count(), 3);
        QCOMPARE(project.GetItem(2)->Code(), std::string());
        QCOMPARE(project.GetItem(2)->PointCount(), 2);
        int index = -1;
        QCOMPARE(project.FindItemByCode("Abc", index), nullptr);
        QCOMPARE(index, -1);
        QVERIFY(project.FindItemByCode("ABC", index));
        QCOMPARE(index, 1);
    }

    void findOnEmptyProjectLeavesIndex() {
        TNCADProject project;
        int index = -1;
        QCOMPARE(project.FindItemByCode("", index), nullptr);
        QCOMPARE(index, -1);
        index = 7;
        QCOMPARE(project.FindItemByCode("X", index), nullptr);
        QCOMPARE(index, 7);
    }

    void storeBackAtOwnIndexFreesNothing() {
        TNCADProject project;
        auto group = std::make_unique<TNCADItem>();
        auto* p = new CountedPoint;
        group->AddPoint(std::unique_ptr<TPoint3D>(p));
        TNCADItem* raw = group.get();
        project.AddItem(std::move(group));
        const int before = g_live;
        project.SetItem(0, raw);
        QCOMPARE(project.GetItem(0), raw);
        QCOMPARE(g_live, before);
        QCOMPARE(raw->GetPoint(0), static_cast<TPoint3D*>(p));
        p->X = 4; // still valid memory (ASan would object otherwise)

        // Storing another group frees the one replaced, points and all.
        auto* other = new TNCADItem;
        project.SetItem(0, other);
        QCOMPARE(g_live, before - 1);
        QCOMPARE(project.GetItem(0), other);
    }

    void emptiedGroupStaysAndIsReused() {
        TNCADProject project;
        addPoint(project, "A", 1, 1);
        addPoint(project, "B", 2, 2);
        project.GetItem(0)->DeletePoint(0);
        QCOMPARE(project.Count(), 2);
        QCOMPARE(project.GetItem(0)->PointCount(), 0);
        addPoint(project, "A", 5, 5);
        QCOMPARE(project.Count(), 2);
        QCOMPARE(project.GetItem(0)->PointCount(), 1);
        QCOMPARE(project.GetItem(0)->GetPoint(0)->X, 5.0);
    }

    void outOfRangeIndicesAreHarmless() {
        TNCADProject project;
        addPoint(project, "A", 1, 1);
        TNCADItem* item = project.GetItem(0);
        QCOMPARE(item->GetPoint(-1), nullptr);
        QCOMPARE(item->GetPoint(item->PointCount()), nullptr);
        item->DeletePoint(5);
        item->DeletePoint(-1);
        QCOMPARE(item->PointCount(), 1);
        QCOMPARE(project.GetItem(1), nullptr);
        QCOMPARE(project.GetItem(-1), nullptr);
        TProjectManager manager;
        QCOMPARE(manager.GetProject(0), nullptr);
    }

    void findPointReportsTheLaterMatch() {
        TNCADProject project;
        addPoint(project, "A", 1, 2, 3, "first");
        addPoint(project, "A", 9, 9, 9);
        addPoint(project, "A", 1, 2, 3, "second");
        addPoint(project, "B", 1, 2, 3, "other code");
        int item = -1, point = -1;
        QVERIFY(project.FindPoint("A", 1, 2, 3, item, point));
        QCOMPARE(item, 0);
        QCOMPARE(point, 2);

        item = point = -1;
        QVERIFY(!project.FindPoint("a", 1, 2, 3, item, point));
        QVERIFY(!project.FindPoint("A", 1, 2, 3.00001, item, point));
        QCOMPARE(item, -1);
        QCOMPARE(point, -1);

        // Regardless of code, the last match in project order wins.
        project.FindPointAt(item, point, 1, 2, 3);
        QCOMPARE(item, 1);
        QCOMPARE(point, 0);
        item = point = -1;
        project.FindPointAt(item, point, 7, 7, 7);
        QCOMPARE(item, -1);
        QCOMPARE(point, -1);
    }

    void renamedGroupIsFoundByItsNewCode() {
        TNCADProject project;
        addPoint(project, "a", 1, 1);
        addPoint(project, "B", 2, 2);
        project.GetItem(0)->SetCode("A");
        int index = -1;
        QVERIFY(!project.FindItemByCode("a", index));
        QVERIFY(project.FindItemByCode("A", index));
        QCOMPARE(index, 0);
        // Two groups with one code after a rename: the first in order is the one found.
        project.GetItem(1)->SetCode("A");
        QVERIFY(project.FindItemByCode("A", index));
        QCOMPARE(index, 0);
        project.GetItem(0)->SetCode("Z");
        QVERIFY(project.FindItemByCode("A", index));
        QCOMPARE(index, 1);
    }

    void destroyingTheManagerFreesEverythingOnce() {
        const int before = g_live;
        {
            TProjectManager manager;
            auto project = std::make_unique<TNCADProject>();
            project->SetName("Test Project");
            for (int g = 0; g < 3; ++g) {
                auto item = std::make_unique<TNCADItem>();
                for (int i = 0; i < 4; ++i)
                    item->AddPoint(std::make_unique<CountedPoint>());
                project->AddItem(std::move(item));
            }
            QCOMPARE(manager.AddProject(std::move(project)), 0);
            QCOMPARE(manager.GetProject(0)->Name(), std::string("Test Project"));
            QCOMPARE(g_live, before + 12);
            QCOMPARE(manager.GetProject(0)->TotalPointCount(), 12);
        }
        QCOMPARE(g_live, before);
    }

    void upperCasingTouchesAsciiLettersOnly() {
        QCOMPARE(UpperAscii("abc-xyz_1"), std::string("ABC-XYZ_1"));
        QCOMPARE(UpperAscii("경계a"), std::string("경계A"));
        QCOMPARE(UpperAscii("äöü"), std::string("äöü"));
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
