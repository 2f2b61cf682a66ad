// Every test ends with no COM object of this process alive: a reference that a client or the
// server forgot to give back fails the test that left it.
#include <gtest/gtest.h>

#include "hosting/win32/ComObject.h"

namespace {

class CLiveComObjectsCheck : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        EXPECT_EQ(vantrel::hosting::theLiveComObjects.load(), 0) << "COM objects are still alive";
    }
};

const bool theCheckIsInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new CLiveComObjectsCheck);
    return true;
}();

}  // namespace
