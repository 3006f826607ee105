// The COM pointer's reference counting, operation by operation, on a counted
// object that is never freed, so that every count stays readable.
#include "common/com_ptr.h"

#include <gtest/gtest.h>

#include <utility>

namespace quorvel::com {
namespace {

struct Counted {
  unsigned long AddRef() { return ++references; }
  unsigned long Release() { return --references; }
  unsigned long references = 1;  // the one its creator holds
};

// Out-parameters as COM getters fill them: with a reference for the caller.
void HandOut(Counted* object, Counted** out) {
  object->AddRef();
  *out = object;
}
void QueryInto(Counted* object, void** out) {
  object->AddRef();
  *out = object;
}

TEST(ComPtr, OwningOperationsCountAsWrlDoes) {
  Counted a;
  Counted b;
  {
    ComPtr<Counted> first(&a);
    EXPECT_EQ(a.references, 2u) << "from a raw pointer: one added";
    ComPtr<Counted> copy = first;
    EXPECT_EQ(a.references, 3u);
    ComPtr<Counted> moved = std::move(copy);
    EXPECT_EQ(a.references, 3u);
    EXPECT_FALSE(copy);
    moved = first;
    EXPECT_EQ(a.references, 3u) << "assigning what is held changes nothing";
    moved = std::move(first);
    EXPECT_EQ(a.references, 2u);
    moved = &b;
    EXPECT_EQ(a.references, 1u);
    EXPECT_EQ(b.references, 2u);
    moved.Reset();
    EXPECT_EQ(b.references, 1u);
    EXPECT_FALSE(moved);

    ComPtr<Counted> attached;
    attached.Attach(&a);
    EXPECT_EQ(a.references, 1u) << "Attach takes the reference over";
    attached.Attach(&b);
    EXPECT_EQ(a.references, 0u) << "what was held before is released";
    EXPECT_EQ(b.references, 1u);
    Counted* detached = attached.Detach();
    EXPECT_EQ(detached, &b);
    EXPECT_EQ(b.references, 1u) << "Detach gives it up unreleased";
    EXPECT_FALSE(attached);
    attached.Attach(detached);
  }
  EXPECT_EQ(b.references, 0u) << "the destructor releases what was attached";
}

TEST(ComPtr, SlotsForOutParametersReleaseOnlyWhenTheyShould) {
  Counted a;
  Counted b;
  ComPtr<Counted> p(&a);
  HandOut(&b, &p);
  EXPECT_EQ(a.references, 1u) << "&p as T** releases what was held";
  EXPECT_EQ(b.references, 2u) << "and keeps the handed out one as is";
  EXPECT_EQ(p.Get(), &b);
  QueryInto(&a, &p);
  EXPECT_EQ(b.references, 1u) << "&p as void** too";
  EXPECT_EQ(a.references, 2u);
  EXPECT_EQ(p.Get(), &a);

  EXPECT_EQ(*p.GetAddressOf(), &a);
  EXPECT_EQ(a.references, 2u) << "GetAddressOf releases nothing";
  HandOut(&b, p.ReleaseAndGetAddressOf());
  EXPECT_EQ(a.references, 1u);
  EXPECT_EQ(b.references, 2u);
  EXPECT_EQ(p->references, 2u);
  p.Reset();
  EXPECT_EQ(b.references, 1u);
}

}  // namespace
}  // namespace quorvel::com
