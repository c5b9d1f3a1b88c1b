#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/Classes.h"

namespace {

std::vector<std::string>* g_log = nullptr;

class TProbe : public vcl::TComponent {
public:
    explicit TProbe(vcl::TComponent* owner, std::string tag = {}) : TComponent(owner), tag_(std::move(tag)) {}
    ~TProbe() override
    {
        if (g_log) g_log->push_back("~" + tag_);
    }
    int loadedCalls = 0;

protected:
    void Loaded() override { ++loadedCalls; }

private:
    std::string tag_;
};

class TPoint : public vcl::TPersistent {
public:
    int x = 0;
    void Assign(const vcl::TPersistent* Source) override
    {
        if (auto p = dynamic_cast<const TPoint*>(Source)) {
            x = p->x;
            return;
        }
        TPersistent::Assign(Source);
    }
};

class TOther : public vcl::TPersistent {};

TEST(Component, OwnerDestroysOwnedLastFirst)
{
    std::vector<std::string> log;
    g_log = &log;
    {
        TProbe owner(nullptr, "owner");
        new TProbe(&owner, "a");
        auto* b = new TProbe(&owner, "b");
        new TProbe(b, "b1");
        new TProbe(&owner, "c");
        EXPECT_EQ(owner.GetComponentCount(), 3);
        EXPECT_EQ(owner.GetComponent(1), b);
        EXPECT_EQ(owner.GetComponent(3), nullptr);
        EXPECT_EQ(owner.GetComponent(-1), nullptr);
    }
    g_log = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"~owner", "~c", "~b", "~b1", "~a"}));
}

TEST(Component, DeletedByHandLeavesItsOwner)
{
    TProbe owner(nullptr);
    auto* a = new TProbe(&owner);
    new TProbe(&owner);
    delete a;
    EXPECT_EQ(owner.GetComponentCount(), 1);
}

TEST(Component, NamesAreUniqueAmongSiblingsAndFound)
{
    TProbe owner(nullptr);
    auto* a = new TProbe(&owner);
    auto* b = new TProbe(&owner);
    a->SetName("Meter1");
    EXPECT_EQ(owner.FindComponent("meter1"), a);
    EXPECT_THROW(b->SetName("METER1"), vcl::EComponentError);
    EXPECT_THROW(b->SetName("1abc"), vcl::EComponentError);
    EXPECT_THROW(b->SetName("a b"), vcl::EComponentError);
    b->SetName("Meter2");
    EXPECT_EQ(owner.FindComponent("Meter2"), b);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("none"), nullptr);
}

TEST(Component, InsertTakesOverFromPreviousOwner)
{
    TProbe first(nullptr), second(nullptr);
    auto* c = new TProbe(&first);
    second.InsertComponent(c);
    EXPECT_EQ(first.GetComponentCount(), 0);
    EXPECT_EQ(second.GetComponentCount(), 1);
    EXPECT_EQ(c->GetOwner(), &second);
    second.RemoveComponent(c);
    EXPECT_EQ(c->GetOwner(), nullptr);
    delete c;
}

TEST(Component, EndLoadingCallsLoadedOnce)
{
    TProbe p(nullptr);
    p.EndLoading();
    EXPECT_EQ(p.loadedCalls, 0);
    p.BeginLoading();
    EXPECT_TRUE(p.GetComponentState().Loading);
    p.EndLoading();
    p.EndLoading();
    EXPECT_FALSE(p.GetComponentState().Loading);
    EXPECT_EQ(p.loadedCalls, 1);
}

TEST(Persistent, AssignCopiesKnownClassesAndRefusesOthers)
{
    TPoint a, b;
    a.x = 5;
    b.Assign(&a);
    EXPECT_EQ(b.x, 5);
    TOther o;
    try {
        b.Assign(&o);
        FAIL() << "no exception";
    } catch (const vcl::EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TOther to a TPoint");
    }
    try {
        o.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const vcl::EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TOther");
    }
}

} // namespace
