// The 1-based keyed collection and its enumerator, on plain test objects.
#include "TaskTestSupport.h"

#include "Collection.h"
#include "Job.h"

namespace {
CInterfacePtr<CJob> NamedJob(const wchar_t* name) {
    CInterfacePtr<CJob> job = CInterfacePtr<CJob>::Adopt(new CJob);
    job->SetName(name);
    return job;
}
}  // namespace

TEST(Collection, IndexesFromOneAndKeysIgnoreCase) {
    CObjectCollection<CJob> items;
    CInterfacePtr<CJob> a = NamedJob(L"a"), b = NamedJob(L"b"), c = NamedJob(L"c");
    ASSERT_EQ(items.Add(a.Get(), L"Alpha"), S_OK);
    ASSERT_EQ(items.Add(b.Get()), S_OK);
    ASSERT_EQ(items.Add(c.Get(), L"Gamma"), S_OK);
    EXPECT_EQ(items.Add(c.Get(), L"ALPHA"), E_COLLECTION_DUPLICATE_KEY);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(items.At(0), nullptr);
    EXPECT_EQ(items.At(1), a.Get());
    EXPECT_EQ(items.At(3), c.Get());
    EXPECT_EQ(items.At(4), nullptr);
    EXPECT_EQ(items.Find(L"gamma"), 3);
    EXPECT_EQ(items.Find(L"missing"), -1);

    EXPECT_EQ(items.Remove(4), E_COLLECTION_INDEX);
    ASSERT_EQ(items.Remove(1), S_OK);
    EXPECT_EQ(items.At(1), b.Get());
    EXPECT_EQ(items.Find(L"gamma"), 2);
    EXPECT_EQ(items.Find(L"alpha"), -1);
}

TEST(Collection, EnumeratorWalksSkipsResetsAndClones) {
    CObjectCollection<CJob> items;
    CInterfacePtr<CJob> jobs[3] = {NamedJob(L"one"), NamedJob(L"two"), NamedJob(L"three")};
    for (auto& j : jobs) items.Add(j.Get());
    CInterfacePtr<IUnknown> unknown;
    ASSERT_EQ(items.NewEnum(unknown.Out()), S_OK);
    CInterfacePtr<IEnumVARIANT> e;
    ASSERT_EQ(unknown.As(IID_IEnumVARIANT, e), S_OK);
    items.Clear();  // the enumerator walks its own snapshot

    VARIANT got[4];
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(2, got, &fetched), S_OK);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(V_DISPATCH(&got[0]), static_cast<IDispatch*>(jobs[0].Get()));
    EXPECT_EQ(V_DISPATCH(&got[1]), static_cast<IDispatch*>(jobs[1].Get()));
    for (ULONG i = 0; i < fetched; ++i) VariantClear(&got[i]);

    CInterfacePtr<IEnumVARIANT> clone;
    ASSERT_EQ(e->Clone(clone.Out()), S_OK);
    EXPECT_EQ(e->Next(4, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(V_DISPATCH(&got[0]), static_cast<IDispatch*>(jobs[2].Get()));
    VariantClear(&got[0]);
    EXPECT_EQ(e->Skip(1), S_FALSE);

    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(V_DISPATCH(&got[0]), static_cast<IDispatch*>(jobs[2].Get()));
    VariantClear(&got[0]);

    ASSERT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    ASSERT_EQ(e->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(V_DISPATCH(&got[0]), static_cast<IDispatch*>(jobs[2].Get()));
    VariantClear(&got[0]);
}
