// The library's factories as a host finds them: for every catalogue row, a
// factory exported by the built library under its plain name, returning one
// object for the life of the process, not yet initialised, whose association
// flag is what its interface says.
#include <gtest/gtest.h>

#include "framework/catalog.h"
#include "tests/support/library_copy.h"

namespace {

TEST(FactoryTable, EveryCataloguedFactoryIsExportedAndMakesOneObjectOfItsKind) {
  // Fresh singletons of a private copy: creating them reads no middleware.
  zubtest::LibraryCopy library(ZUBPROV_PATH);
  for (const char* factory :
       {"PROVIDER_CreateZubProviderInstance", "PROVIDER_CreateEventMonInstance", "PROVIDER_CreateZubContainerInstance"})
    EXPECT_NE(library.Find<CProviderInterfaceBase*()>(factory), nullptr) << factory;
  for (const ClassDesc& cls : ClassCatalog()) {
    SCOPED_TRACE(cls.factory);
    auto* create = library.Find<CProviderInterfaceBase*()>(cls.factory);
    ASSERT_NE(create, nullptr) << "not exported";
    CProviderInterfaceBase* object = create();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(create(), object) << "one object per factory";
    EXPECT_FALSE(object->IsInitialized());
    EXPECT_EQ(object->m_bAssociation, cls.association);
  }
}

}  // namespace
