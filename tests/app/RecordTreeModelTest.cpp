// The record tree model and view: cell texts and masks, the header-click sort, and that
// every change of the tree's shape reaches the view correctly.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

#include "app/AppTestKit.h"
#include "app/PassTree.h"
#include "app/RecordTreeModel.h"
#include "common/TextCodec.h"
#include "vault/TreeCommands.h"

namespace {

// Two groups; the records' titles, user names, passwords and notes order differently.
const std::vector<TRecordSpec> kRecords = {
    {"Mail", "alpha", "zed", "pw-b", "mail.example.org", "n2"},
    {"Mail", "beta", "amy", "pw-c", "", "n3"},
    {"Mail", "gamma", "Kim", "", "", "n1"},
    {"Bank", "delta", "bob", "secret", "bank.example.org", ""},
};

QStringList TitlesOf(const TRecordTree& tree) {
    QStringList titles;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        titles << AnsiToQString(node->Data.Title);
    }
    return titles;
}

// Sets a field by appending, since GCC 12 at -O3 warns falsely (-Wrestrict) when a short
// literal is assigned to a std::string.
void SetField(std::string& field, const char* value) {
    field.clear();
    field += value;
}

// Sorts the test's own tree, as the vault session sorts the window's.
TRecordTreeModel::TSorter SorterOf(TRecordTree& tree) {
    return [&tree](const TRecordTree::TCompare& compare, bool descending) {
        tree.Sort(compare, descending);
    };
}

}  // namespace

class TRecordTreeModelTest : public QObject {
    Q_OBJECT
public:
    explicit TRecordTreeModelTest(TTestEnvironment&) {}

private slots:
    void CellTextsFollowTheColumnsAndTheMask() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        const QModelIndex mail = model.index(0, 0);
        const QModelIndex gamma = model.index(2, 0, mail);
        QCOMPARE(model.data(mail).toString(), QStringLiteral("Mail"));
        QCOMPARE(model.rowCount(mail), 3);
        QCOMPARE(model.data(model.index(0, 1, mail)).toString(), QStringLiteral("zed"));
        QCOMPARE(model.data(model.index(0, 3, mail)).toString(),
                 QStringLiteral("mail.example.org"));
        QCOMPARE(model.data(model.index(0, 4, mail)).toString(), QStringLiteral("n2"));

        // Hidden passwords: one "*" for every record, the empty password too; groups blank.
        QVERIFY(!model.DisplayPass());
        QCOMPARE(model.data(model.index(0, 2, mail)).toString(), QStringLiteral("*"));
        QCOMPARE(model.data(model.index(2, 2, mail)).toString(), QStringLiteral("*"));
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString());

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.SetDisplayPass(true);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(model.data(model.index(0, 2, mail)).toString(), QStringLiteral("pw-b"));
        QCOMPARE(model.data(model.index(2, 2, mail)).toString(), QString());
        QCOMPARE(model.CellText(model.NodeOf(gamma), 0), QStringLiteral("gamma"));
    }

    void IconsMarkGroupsAndRecordsInTheFirstColumnOnly() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        const QModelIndex group = model.index(0, 0);
        const QModelIndex record = model.index(0, 0, group);
        const auto groupIcon = model.data(group, Qt::DecorationRole).value<QIcon>();
        const auto recordIcon = model.data(record, Qt::DecorationRole).value<QIcon>();
        QVERIFY(!groupIcon.isNull());
        QVERIFY(!recordIcon.isNull());
        QVERIFY(groupIcon.cacheKey() != recordIcon.cacheKey());
        QVERIFY(!model.data(model.index(0, 1, group), Qt::DecorationRole).isValid());
    }

    void HeaderShowsTheCaptionsGiven() {
        TRecordTree tree;
        TRecordTreeModel model(tree, SorterOf(tree));
        model.SetColumnCaptions({"Title", "User Name", "Password", "URL", "Notes"});
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("User Name"));
        QCOMPARE(model.ColumnCaption(4), QStringLiteral("Notes"));
        QCOMPARE(model.ColumnCaption(5), QString());
    }

    void CompareUsesTheShiftedFieldsFoldingCase() {
        TNodeData a;
        TNodeData b;
        SetField(a.Title, "a");
        SetField(b.Title, "b");
        SetField(a.UserName, "KIM");
        SetField(b.UserName, "kim");
        QCOMPARE(TRecordTreeModel::CompareNodes(a, b, 0), 0);  // user names, folded
        SetField(a.Password, "x");
        SetField(b.Password, "y");
        QVERIFY(TRecordTreeModel::CompareNodes(a, b, 1) < 0);  // passwords
        SetField(a.Notes, "b");
        SetField(b.Notes, "a");
        QVERIFY(TRecordTreeModel::CompareNodes(a, b, 2) > 0);  // notes
        SetField(a.Url, "a");
        SetField(b.Url, "z");
        QCOMPARE(TRecordTreeModel::CompareNodes(a, b, 3), 0);
        QCOMPARE(TRecordTreeModel::CompareNodes(a, b, 4), 0);
    }

    void HeaderClicksShareOneFlippingDirection() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);

        // "Title" orders by user name: zed, Kim, amy descending; the groups keep their order.
        model.SortByColumn(0);
        QVERIFY(model.SortDescending());
        QCOMPARE(TitlesOf(tree), QStringList({"Mail", "alpha", "gamma", "beta", "Bank", "delta"}));
        model.SortByColumn(0);
        QVERIFY(!model.SortDescending());
        QCOMPARE(TitlesOf(tree), QStringList({"Mail", "beta", "gamma", "alpha", "Bank", "delta"}));
        // Another column flips the shared direction again: "User Name" orders by password.
        model.SortByColumn(1);
        QVERIFY(model.SortDescending());
        QCOMPARE(model.SortColumn(), 1);
        QCOMPARE(TitlesOf(tree), QStringList({"Mail", "beta", "alpha", "gamma", "Bank", "delta"}));
        // "Password" orders by notes.
        model.SortByColumn(2);
        QVERIFY(!model.SortDescending());
        QCOMPARE(TitlesOf(tree), QStringList({"Mail", "gamma", "alpha", "beta", "Bank", "delta"}));
    }

    void UrlAndNotesClicksFlipButLeaveTheOrder() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        const QStringList before = TitlesOf(tree);
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
        model.SortByColumn(3);
        QVERIFY(model.SortDescending());
        model.SortByColumn(4);
        QVERIFY(!model.SortDescending());
        QCOMPARE(TitlesOf(tree), before);
        QCOMPARE(layout.count(), 0);
    }

    void EqualKeysKeepTheirOrderBothWays() {
        TRecordTree tree;
        FillTree(tree, {{"G", "one", "same", "", "", ""},
                        {"G", "two", "SAME", "", "", ""},
                        {"G", "three", "same", "", "", ""}});
        TRecordTreeModel model(tree, SorterOf(tree));
        model.SortByColumn(0);
        QCOMPARE(TitlesOf(tree), QStringList({"G", "one", "two", "three"}));
        model.SortByColumn(0);
        QCOMPARE(TitlesOf(tree), QStringList({"G", "one", "two", "three"}));
    }

    void SelectionFollowsTheNodesThroughASort() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        TPassTree view;
        view.SetRecordModel(&model);
        const PNode alpha = FindByTitle(tree, "alpha");
        view.SelectOnly(alpha);
        model.SortByColumn(0);  // descending by user name: alpha (zed) stays first
        model.SortByColumn(0);  // ascending: alpha (zed) goes last
        QCOMPARE(alpha->Row, 2);
        QCOMPARE(view.FirstSelected(), alpha);
        QCOMPARE(view.SelectedNodes(), std::vector<PNode>{alpha});
        QCOMPARE(view.currentIndex(), model.IndexOf(alpha));
    }

    void ChangesOfShapeReachTheView() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        TPassTree view;
        view.SetRecordModel(&model);
        view.expandAll();

        TNodeData fields;
        fields.Title = "epsilon";
        // An existing group, matched without regard to case.
        const PNode epsilon = AddRecordNode(tree, "BANK", fields, &model);
        QCOMPARE(AnsiToQString(tree.Parent(epsilon)->Data.Title), QStringLiteral("Bank"));
        QCOMPARE(model.rowCount(model.IndexOf(tree.Parent(epsilon))), 2);
        // A new group at the end of the top level, arriving with its record.
        fields.Title = "zeta";
        const PNode zeta = AddRecordNode(tree, "Shops", fields, &model);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("Shops"));
        QCOMPARE(model.IndexOf(zeta).parent(), model.index(2, 0));

        // Moving into an existing group, then into a new one; the groups left stay.
        QVERIFY(MoveRecordToGroup(tree, zeta, "mail", &model));
        QCOMPARE(model.rowCount(model.index(2, 0)), 0);
        QCOMPARE(model.IndexOf(zeta).parent(), model.index(0, 0));
        QCOMPARE(zeta->Row, 3);
        QVERIFY(!MoveRecordToGroup(tree, zeta, "MAIL", &model));  // same name by case folding
        QVERIFY(MoveRecordToGroup(tree, zeta, "New", &model));
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.IndexOf(zeta).parent(), model.index(3, 0));

        RemoveNodes(tree, {FindByTitle(tree, "Mail")}, &model);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("Bank"));
        QCOMPARE(tree.Count(), std::size_t{6});

        const PNode delta = FindByTitle(tree, "delta");
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        delta->Data.UserName = "changed";
        model.NodeChanged(delta);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>(), model.IndexOf(delta, 0));
        QCOMPARE(changed.first().at(1).value<QModelIndex>(), model.IndexOf(delta, 4));

        model.TreeResetting();
        tree.Clear();
        model.TreeReset();
        QCOMPARE(model.rowCount(), 0);
    }

    void FirstSelectedIsInTreeOrderNotClickOrder() {
        TRecordTree tree;
        FillTree(tree, kRecords);
        TRecordTreeModel model(tree, SorterOf(tree));
        TPassTree view;
        view.SetRecordModel(&model);
        view.expandAll();
        const PNode delta = FindByTitle(tree, "delta");
        const PNode beta = FindByTitle(tree, "beta");
        const PNode mail = FindByTitle(tree, "Mail");
        view.AddToSelection(delta);
        view.AddToSelection(beta);
        view.AddToSelection(mail);
        QCOMPARE(view.FirstSelected(), mail);
        QCOMPARE(view.SelectedNodes(), (std::vector<PNode>{mail, beta, delta}));
        view.clearSelection();
        QCOMPARE(view.FirstSelected(), nullptr);
        QVERIFY(!view.HasSelection());
    }

    void ColumnsStartAtTheirWidthsAndKeepTheirMinimums() {
        TRecordTree tree;
        TRecordTreeModel model(tree, SorterOf(tree));
        TPassTree view;
        view.resize(900, 400);
        view.SetRecordModel(&model);
        QCOMPARE(view.columnWidth(0), 200);
        QCOMPARE(view.columnWidth(1), 150);
        QCOMPARE(view.columnWidth(3), 150);
        view.setColumnWidth(2, 40);
        QCOMPARE(view.columnWidth(2), 150);
        view.setColumnWidth(0, 40);
        QCOMPARE(view.columnWidth(0), 40);
        QVERIFY(!view.header()->isSortIndicatorShown());
        QCOMPARE(view.selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
    }
};

COFFERIX_APP_TEST_MAIN(TRecordTreeModelTest)
#include "RecordTreeModelTest.moc"
