#include "sources/FileList.h"

#include <memory>

#include <gtest/gtest.h>

using namespace sources;
using Paths = std::vector<std::string>;

namespace {

// Every CountChanged value the list emitted, in order.
struct CountRecorder {
    explicit CountRecorder(FileList& list) {
        QObject::connect(&list, &FileList::CountChanged, [this](int count) { counts.push_back(count); });
    }
    std::vector<int> counts;
};

// How many times a model signal fired.
template <typename Signal> std::shared_ptr<int> CountSignals(FileList& list, Signal signal) {
    auto count = std::make_shared<int>(0);
    QObject::connect(&list, signal, [count] { ++*count; });
    return count;
}

Paths DisplayTexts(const FileList& list) {
    Paths texts;
    for (int row = 0; row < list.rowCount(); ++row) {
        texts.push_back(list.data(list.index(row, 0), Qt::DisplayRole).toString().toStdString());
    }
    return texts;
}

} // namespace

TEST(FileList, AppendKeepsOrderAndDuplicatesAndReportsEveryCount) {
    FileList list;
    CountRecorder recorder(list);
    list.Append("/p/b.jpg");
    list.Append("/p/a.jpg");
    list.Append("/p/b.jpg");
    EXPECT_EQ(list.Items(), (Paths{"/p/b.jpg", "/p/a.jpg", "/p/b.jpg"}));
    EXPECT_EQ(recorder.counts, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(1), "/p/a.jpg");
    EXPECT_THROW(list.At(3), std::out_of_range);
    EXPECT_THROW(list.At(-1), std::out_of_range);
}

TEST(FileList, ModelShowsUtf8PathsAsText) {
    FileList list;
    list.Append("/写真/夏.JPG");
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.data(list.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("/写真/夏.JPG"));
    EXPECT_FALSE(list.data(list.index(0, 0), Qt::DecorationRole).isValid());
    EXPECT_EQ(list.rowCount(list.index(0, 0)), 0); // a flat list: no children
}

TEST(FileList, SortingOnReordersIgnoringCaseAndPlacesLaterItems) {
    FileList list;
    list.AppendMany({"/d/Cherry", "/d/apple", "/d/banana", "/d/Apple"});
    list.SetSorted(true);
    EXPECT_TRUE(list.Sorted());
    // Equal names ignoring case keep their order of arrival.
    EXPECT_EQ(list.Items(), (Paths{"/d/apple", "/d/Apple", "/d/banana", "/d/Cherry"}));
    list.Append("/d/BLUEBERRY");
    list.Append("/d/aardvark");
    list.Append("/d/zucchini");
    EXPECT_EQ(list.Items(),
              (Paths{"/d/aardvark", "/d/apple", "/d/Apple", "/d/banana", "/d/BLUEBERRY", "/d/Cherry", "/d/zucchini"}));
    EXPECT_EQ(DisplayTexts(list), list.Items()); // the view sees the same order
}

TEST(FileList, SortingOffKeepsTheOrderAndLaterItemsGoToTheEnd) {
    FileList list;
    list.SetSorted(true);
    list.Append("/x/c");
    list.Append("/x/a");
    list.SetSorted(false);
    EXPECT_FALSE(list.Sorted());
    EXPECT_EQ(list.Items(), (Paths{"/x/a", "/x/c"}));
    list.Append("/x/b");
    EXPECT_EQ(list.Items(), (Paths{"/x/a", "/x/c", "/x/b"}));
}

TEST(FileList, AppendManyInSortedModeMergesLikeSingleAppends) {
    const Paths present{"/m/Delta", "/m/alpha"};
    const Paths added{"/m/charlie", "/m/ALPHA", "/m/bravo", "/m/echo", "/m/alpha"};
    FileList single;
    FileList many;
    single.SetSorted(true);
    many.SetSorted(true);
    for (const auto& path : present) {
        single.Append(path);
        many.Append(path);
    }
    for (const auto& path : added)
        single.Append(path);
    CountRecorder recorder(many);
    many.AppendMany(added);
    EXPECT_EQ(many.Items(), single.Items());
    EXPECT_EQ(recorder.counts, (std::vector<int>{7})); // one change, one report
    EXPECT_EQ(DisplayTexts(many), many.Items());
}

TEST(FileList, AppendManyOfNothingReportsNothing) {
    FileList list;
    CountRecorder recorder(list);
    list.AppendMany({});
    EXPECT_TRUE(recorder.counts.empty());
    EXPECT_EQ(list.Count(), 0);
}

TEST(FileList, FiftyThousandPathsAppendAtOnce) {
    Paths paths;
    for (int i = 0; i < 50000; ++i)
        paths.push_back("/photos/IMG_" + std::to_string(49999 - i) + ".jpg");
    FileList list;
    auto inserted = CountSignals(list, &QAbstractItemModel::rowsInserted);
    list.AppendMany(paths);
    EXPECT_EQ(list.Count(), 50000);
    EXPECT_EQ(*inserted, 1);
    EXPECT_EQ(list.Items(), paths);
    list.SetSorted(true);
    EXPECT_EQ(list.At(0), "/photos/IMG_0.jpg");
    EXPECT_EQ(list.At(1), "/photos/IMG_1.jpg");
    EXPECT_EQ(list.At(2), "/photos/IMG_10.jpg");
    EXPECT_EQ(list.At(49999), "/photos/IMG_9999.jpg");
}

TEST(FileList, DeleteRemovesSelectedRowsWhateverTheirOrder) {
    FileList list;
    list.AppendMany({"/0", "/1", "/2", "/3", "/4"});
    CountRecorder recorder(list);
    list.DeleteIndices({1, 4, 3, 4, 7, -1});
    EXPECT_EQ(list.Items(), (Paths{"/0", "/2"}));
    EXPECT_EQ(recorder.counts, (std::vector<int>{4, 3, 2})); // one report per removed item
}

TEST(FileList, DeleteWithNothingSelectedChangesNothing) {
    FileList list;
    list.AppendMany({"/a", "/b"});
    CountRecorder recorder(list);
    auto removed = CountSignals(list, &QAbstractItemModel::rowsRemoved);
    list.DeleteIndices({});
    list.DeleteIndices({2, 5});
    EXPECT_EQ(list.Items(), (Paths{"/a", "/b"}));
    EXPECT_TRUE(recorder.counts.empty());
    EXPECT_EQ(*removed, 0);
}

TEST(FileList, ClearEmptiesAndReportsZeroOnce) {
    FileList list;
    list.AppendMany({"/a", "/b"});
    CountRecorder recorder(list);
    list.Clear();
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(recorder.counts, (std::vector<int>{0}));
}

TEST(FileList, SortingKeepsPersistentSelectionOnItsItem) {
    FileList list;
    list.AppendMany({"/c", "/a", "/b"});
    QPersistentModelIndex selected(list.index(0, 0)); // "/c"
    list.SetSorted(true);
    ASSERT_TRUE(selected.isValid());
    EXPECT_EQ(selected.row(), 2);
    EXPECT_EQ(selected.data().toString(), QStringLiteral("/c"));
}

TEST(FileList, RenameCountCaption) {
    EXPECT_EQ(RenameCountCaption(12), " 変換元ファイル：12files");
    EXPECT_EQ(RenameCountCaption(0), " 変換元ファイル：0files");
}
