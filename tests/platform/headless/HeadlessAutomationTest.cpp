#include "platform/headless/HeadlessAutomation.h"

#include <gtest/gtest.h>

using namespace vantrel::platform;

namespace {
// A server whose member 1 returns a child object and whose member 2 fails on its own.
class FakeServer : public IAutomationObject {
public:
    int calls = 0;
    Variant Invoke(std::int32_t dispid, std::uint16_t, const std::vector<Variant>&) override
    {
        ++calls;
        if (dispid == 1)
            return Variant::Dispatch(std::make_shared<FakeServer>());
        if (dispid == 2)
            throw AutomationError("server says no");
        return Variant::Bool(true);
    }
};

struct Automation : ::testing::Test {
    CHeadlessAutomation automation;
    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>();
    void SetUp() override
    {
        automation.RegisterServer("Vendor.Application", [this] { return server; });
    }
};
}  // namespace

TEST_F(Automation, CreatesRegisteredServersByProgIdInAnyCase)
{
    AutomationRef object = automation.CreateObject("VENDOR.application");
    ASSERT_TRUE(object);
    EXPECT_TRUE(object->Invoke(3, kDispatchMethod, {}).boolean);
    EXPECT_EQ(server->calls, 1);
    EXPECT_FALSE(automation.CreateObject("Other.Application"));
    EXPECT_FALSE(automation.CreateObject(""));

    automation.RegisterServer("Null.Server", [] { return AutomationRef(); });
    EXPECT_FALSE(automation.CreateObject("Null.Server"));

    automation.SetCreateFails(true);
    EXPECT_FALSE(automation.CreateObject("Vendor.Application"));
    automation.SetCreateFails(false);
    automation.UnregisterServer("vendor.application");
    EXPECT_FALSE(automation.CreateObject("Vendor.Application"));
}

TEST_F(Automation, FaultRulesTellCreatedFromReturnedObjectsWithTheSameDispid)
{
    automation.FailCalls(3, AutomationTarget::ReturnedObject);
    AutomationRef app = automation.CreateObject("Vendor.Application");
    AutomationRef child = app->Invoke(1, kDispatchMethod, {}).object;
    ASSERT_TRUE(child);

    EXPECT_NO_THROW(app->Invoke(3, kDispatchMethod, {}));
    const int before = server->calls;
    EXPECT_THROW(child->Invoke(3, kDispatchMethod, {}), AutomationError);
    EXPECT_EQ(server->calls, before);  // the failed call never reached the server

    automation.ClearCallFaults();
    automation.FailCalls(4);  // any object
    EXPECT_THROW(app->Invoke(4, kDispatchPropertyPut, {Variant::Bool(true)}), AutomationError);
    EXPECT_THROW(child->Invoke(4, kDispatchMethod, {}), AutomationError);
}

TEST_F(Automation, JournalRecordsEveryCallWithItsTargetAndOutcome)
{
    automation.FailCalls(5, AutomationTarget::CreatedObject);
    AutomationRef app = automation.CreateObject("Vendor.Application");
    AutomationRef child = app->Invoke(1, kDispatchMethod, {}).object;
    child->Invoke(3, kDispatchMethod, {});
    EXPECT_THROW(app->Invoke(2, kDispatchMethod, {}), AutomationError);
    EXPECT_THROW(app->Invoke(5, kDispatchPropertyPut, {}), AutomationError);

    const auto& calls = automation.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].dispid, 1);
    EXPECT_EQ(calls[0].target, AutomationTarget::CreatedObject);
    EXPECT_FALSE(calls[0].failed);
    EXPECT_EQ(calls[1].target, AutomationTarget::ReturnedObject);
    EXPECT_TRUE(calls[2].failed);  // failed by the server itself
    EXPECT_EQ(calls[3].flags, kDispatchPropertyPut);
    EXPECT_TRUE(calls[3].failed);
}
