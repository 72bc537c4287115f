#include "app/recentfiles.h"

#include <gtest/gtest.h>

using namespace marbolt;

TEST(RecentFiles, MostRecentFirstWithoutDuplicatesAndOnlyFiveSaved)
{
    SettingsStore store;
    RecentFiles r;
    r.load(store);
    EXPECT_EQ(r.list().size(), 5);
    for (const char *p : {"/x.nc", "/y.nc", "/z.nc"})
        r.add(QString::fromLatin1(p));
    EXPECT_EQ(r.entry(1), QStringLiteral("/z.nc"));
    EXPECT_EQ(r.entry(2), QStringLiteral("/y.nc"));
    EXPECT_EQ(r.entry(3), QStringLiteral("/x.nc"));
    EXPECT_EQ(r.entry(4), QString());
    r.add(QStringLiteral("/y.nc"));
    EXPECT_EQ(r.entry(1), QStringLiteral("/y.nc"));
    EXPECT_EQ(r.entry(2), QStringLiteral("/z.nc"));
    EXPECT_EQ(r.entry(3), QStringLiteral("/x.nc"));
    r.add(QStringLiteral("/X.NC"));
    EXPECT_EQ(r.entry(1), QStringLiteral("/X.NC")) << "the path as last opened";
    EXPECT_EQ(r.entry(4), QString()) << "the entry differing in case was replaced";
    for (const char *p : {"/a", "/b", "/c", "/d", "/e"})
        r.add(QString::fromLatin1(p));
    r.saveTo(store);
    EXPECT_EQ(store.get(QStringLiteral("FILE1")), QStringLiteral("/e"));
    EXPECT_EQ(store.get(QStringLiteral("FILE5")), QStringLiteral("/a"));
    EXPECT_TRUE(r.list().contains(QStringLiteral("/X.NC"))) << "kept in memory, not saved";
    r.add(QStringLiteral("/x.nc"));
    EXPECT_EQ(r.entry(1), QStringLiteral("/x.nc")) << "comes back to the top";
}

TEST(RecentFiles, LoadKeepsEmptyEntriesInPlace)
{
    SettingsStore store;
    store.set(QStringLiteral("FILE1"), QStringLiteral("/1"));
    store.set(QStringLiteral("FILE3"), QStringLiteral("/3"));
    RecentFiles r;
    r.load(store);
    EXPECT_EQ(r.entry(1), QStringLiteral("/1"));
    EXPECT_EQ(r.entry(2), QString());
    EXPECT_EQ(r.entry(3), QStringLiteral("/3"));
}
