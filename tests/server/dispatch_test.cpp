#include "server/dispatch.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/messages.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_handle.h"
#include "platform/platform_components.h"
#include "server/bill_exchange_class.h"
#include "server/class_binding.h"
#include "server/registration.h"
#include "server/exchange_classes.h"
#include "support/account_file.h"
#include "support/demo_account.h"
#include "support/error_number.h"
#include "support/variant_print.h"

namespace corvane::server {
namespace {

using corvane::testing::ErrorNumberOf;

// A class with one of everything the binding offers: in/out and by-value
// arguments, optional ones with and without a default, a Variant, write-only
// properties of each type and an event.
class Stamper {
 public:
  // Appends the label `times` times to `text`, raising Tick after each; puts
  // a note in `note`. False when `times` is not positive.
  bool Stamp(std::string& text, int32_t times, std::string& note) {
    for (int32_t i = 1; i <= times; ++i) {
      text += label_;
      if (on_tick_) on_tick_(i, label_);
    }
    note = "was " + note;
    return times > 0 && loud_;
  }
  std::string label_ = "*";
  bool loud_ = true;
  std::function<void(int32_t, const std::string&)> on_tick_;
};

constexpr int32_t kDispidStamp = 0x60030001;
constexpr int32_t kDispidEcho = 0x60030002;
constexpr int32_t kDispidFail = 0x60030003;
constexpr int32_t kDispidLabel = 0x68030000;
constexpr int32_t kDispidLoud = 0x68030001;
constexpr int32_t kDispidTick = 1;

std::shared_ptr<const ClassBinding<Stamper>> StamperBinding() {
  using T = DispType;
  static const auto binding = [] {
    auto b = std::make_shared<ClassBinding<Stamper>>("clsStamper",
                                                     [] { return std::make_shared<Stamper>(); });
    b->Method("Stamp", kDispidStamp, T::Boolean,
              {InOut("sText", T::String), Optional(In("lTimes", T::Long), Variant(int32_t{3})),
               Optional(InOut("sNote", T::String), Variant("none"))},
              [](Stamper& s, Arguments& a) {
                return Variant(s.Stamp(a.String(0), a.Long(1), a.String(2)));
              })
        // Changes its by-value String and answers its Variant as it came.
        .Method("Echo", kDispidEcho, T::Variant,
                {In("vValue", T::Variant), Optional(In("sText", T::String))},
                [](Stamper&, Arguments& a) {
                  a.String(1) = "changed";
                  return a.Value(0);
                })
        .Method("Fail", kDispidFail, T::Boolean, {InOut("sText", T::String)},
                [](Stamper&, Arguments& a) -> Variant {
                  a.String(0) = "half done";
                  throw RuntimeError(5, "clsStamper", "refused");
                })
        .WriteOnlyProperty("Label", kDispidLabel, T::String,
                           [](Stamper& s, const Variant& v) { s.label_ = v.AsString(); })
        .WriteOnlyProperty("Loud", kDispidLoud, T::Boolean,
                           [](Stamper& s, const Variant& v) { s.loud_ = v.AsBool(); })
        .Event("Tick", kDispidTick, {In("lIndex", T::Long), In("sLabel", T::String)})
        .ConnectEvents([](Stamper& s, EventRaiser raise) {
          s.on_tick_ = [raise](int32_t i, const std::string& label) {
            raise(kDispidTick, {Variant(i), Variant(label)});
          };
        });
    return std::shared_ptr<const ClassBinding<Stamper>>(b);
  }();
  return binding;
}

struct Event {
  int32_t dispid;
  std::string name;
  std::vector<Variant> args;
};

class DispatchTest : public ::testing::Test {
 protected:
  DispatchPtr object_ = CreateBoundObject(StamperBinding());
  std::vector<Event> events_;
  EventSink Recorder() {
    return [this](int32_t dispid, const std::string& name, const std::vector<Variant>& args) {
      events_.push_back({dispid, name, args});
    };
  }
};

TEST_F(DispatchTest, InvokeByNameAndByDispidAgree) {
  std::vector<Variant> by_name{"a", int32_t{2}, "n"};
  std::vector<Variant> by_id = by_name;
  EXPECT_EQ(object_->Invoke("sTaMp", InvokeKind::Method, by_name), Variant(true));
  EXPECT_EQ(object_->Invoke(kDispidStamp, InvokeKind::Method, by_id), Variant(true));
  EXPECT_EQ(by_name, by_id);
  EXPECT_EQ(by_id, (std::vector<Variant>{"a**", int32_t{2}, "was n"}));
  EXPECT_EQ(object_->GetIDOfName("STAMP"), kDispidStamp);
  EXPECT_EQ(object_->GetIDOfName("label"), kDispidLabel);
  EXPECT_EQ(object_->GetIDOfName("Tick"), kDispidUnknown) << "events are not members";
  EXPECT_EQ(object_->GetIDOfName("Stamps"), kDispidUnknown);
}

TEST_F(DispatchTest, LeftOutArgumentsTakeTheirDefaultsAndComeBack) {
  std::vector<Variant> args{"x"};
  EXPECT_EQ(object_->Invoke(kDispidStamp, InvokeKind::Method, args), Variant(true));
  // lTimes 3 by default; sNote "none" by default, then written by the method.
  EXPECT_EQ(args, (std::vector<Variant>{"x***", int32_t{3}, "was none"}));

  // An optional String without a default is "", not Empty.
  std::vector<Variant> echo{int32_t{7}};
  EXPECT_EQ(object_->Invoke(kDispidEcho, InvokeKind::Method, echo), Variant(int32_t{7}));
  EXPECT_EQ(echo, (std::vector<Variant>{int32_t{7}, ""}));
}

TEST_F(DispatchTest, ArgumentsAreCoercedAndOnlyInOutOnesWrittenBack) {
  // A Long for an in/out String comes back as the String the method made; a
  // String for a by-value Long stays as the caller gave it.
  std::vector<Variant> args{int32_t{12}, "2.5", Variant(true)};
  EXPECT_EQ(object_->Invoke(kDispidStamp, InvokeKind::Method, args), Variant(true));
  EXPECT_EQ(args, (std::vector<Variant>{"12**", "2.5", "was True"}))
      << "2.5 rounds to even: two stamps";

  // The method changed its by-value String; the caller's stays.
  std::vector<Variant> echo{Variant::Null(), "mine"};
  EXPECT_EQ(object_->Invoke(kDispidEcho, InvokeKind::Method, echo), Variant::Null())
      << "a Variant parameter takes Null as it is";
  EXPECT_EQ(echo[1], Variant("mine"));
}

TEST_F(DispatchTest, WriteOnlyPropertiesAreAssignedOnly) {
  object_->PutProperty("label", "#");
  std::vector<Variant> put{"0"};  // "0" as a Boolean is False
  object_->Invoke(kDispidLoud, InvokeKind::PropertyPut, put);
  std::vector<Variant> args{"", int32_t{2}};
  EXPECT_EQ(object_->Invoke(kDispidStamp, InvokeKind::Method, args), Variant(false));
  EXPECT_EQ(args[0], Variant("##"));

  EXPECT_EQ(ErrorNumberOf([&] { object_->PutProperty("Loud", "maybe"); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([&] { object_->PutProperty("Label", Variant::Null()); }),
            err::kInvalidUseOfNull);
}

TEST_F(DispatchTest, ErrorsHaveTheAutomationNumbersAndTexts) {
  struct Case {
    const char* what;
    std::function<void(IDispatchObject&)> call;
    int32_t number;
    const char* text;
  };
  const auto invoke = [](int32_t dispid, InvokeKind kind, std::vector<Variant> args) {
    return [=](IDispatchObject& o) mutable { o.Invoke(dispid, kind, args); };
  };
  const auto named = [](const char* member, std::vector<NamedArgument> args) {
    return [=](IDispatchObject& o) mutable { o.InvokeNamed(member, InvokeKind::Method, args); };
  };
  const char* kNoMember = "Object doesn't support this property or method";
  const char* kWrongNumber = "Wrong number of arguments or invalid property assignment";
  const Case cases[] = {
      {"unknown DISPID", invoke(0x12345, InvokeKind::Method, {}), 438, kNoMember},
      {"unknown name",
       [](IDispatchObject& o) {
         std::vector<Variant> a;
         o.Invoke("Stomp", InvokeKind::Method, a);
       },
       438, kNoMember},
      {"method assigned to", invoke(kDispidEcho, InvokeKind::PropertyPut, {1}), 438, kNoMember},
      {"required argument left out", invoke(kDispidStamp, InvokeKind::Method, {}), 449,
       "Argument not optional"},
      {"one argument too many", invoke(kDispidStamp, InvokeKind::Method, {"a", 1, "b", "c"}), 450,
       kWrongNumber},
      {"property put with two values", invoke(kDispidLabel, InvokeKind::PropertyPut, {"a", "b"}),
       450, kWrongNumber},
      {"property put without a value", invoke(kDispidLabel, InvokeKind::PropertyPut, {}), 450,
       kWrongNumber},
      {"write-only property read", invoke(kDispidLabel, InvokeKind::PropertyGet, {}), 451,
       "Property is write-only"},
      {"write-only property called", invoke(kDispidLabel, InvokeKind::Method, {}), 451,
       "Property is write-only"},
      {"Null for a String", invoke(kDispidStamp, InvokeKind::Method, {Variant::Null()}), 94,
       "Invalid use of Null"},
      {"text for a Long", invoke(kDispidStamp, InvokeKind::Method, {"a", "abc"}), 13,
       "Type mismatch"},
      {"unknown named argument", named("Stamp", {{"sText", "a"}, {"lCount", 1}}), 448,
       "Named argument not found"},
      {"named argument twice", named("Stamp", {{"sText", "a"}, {"STEXT", "b"}}), 450, kWrongNumber},
      {"required argument left out by name", named("Stamp", {{"lTimes", 1}}), 449,
       "Argument not optional"},
      {"the member's own error", invoke(kDispidFail, InvokeKind::Method, {""}), 5, "refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.call(*object_);
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.description(), c.text);
    }
  }
}

TEST_F(DispatchTest, NothingIsWrittenBackWhenTheCallFails) {
  std::vector<Variant> args{"before"};
  EXPECT_EQ(ErrorNumberOf([&] { object_->Invoke(kDispidFail, InvokeKind::Method, args); }), 5);
  EXPECT_EQ(args, std::vector<Variant>{"before"});

  std::vector<Variant> too_many{"before", int32_t{1}, "n", "extra"};
  EXPECT_EQ(ErrorNumberOf([&] { object_->Invoke(kDispidStamp, InvokeKind::Method, too_many); }),
            kWrongNumberOfArguments);
  EXPECT_EQ(too_many[0], Variant("before"));
}

TEST_F(DispatchTest, NamedArgumentsInAnyOrderAndCase) {
  std::vector<NamedArgument> args{{"SNOTE", "n"}, {"stext", "t"}};
  std::vector<Variant> all;
  EXPECT_EQ(object_->InvokeNamed("Stamp", InvokeKind::Method, args, &all), Variant(true));
  EXPECT_EQ(args[0].value, Variant("was n"));
  EXPECT_EQ(args[1].value, Variant("t***"));
  EXPECT_EQ(all, (std::vector<Variant>{"t***", int32_t{3}, "was n"}))
      << "the left-out lTimes shows its default";

  // A property put takes its one value whatever it is called.
  std::vector<NamedArgument> put{{"anything", "+"}};
  object_->InvokeNamed("Label", InvokeKind::PropertyPut, put);
  std::vector<NamedArgument> stamp{{"sText", ""}, {"lTimes", 1}};
  object_->InvokeNamed("Stamp", InvokeKind::Method, stamp);
  EXPECT_EQ(stamp[0].value, Variant("+"));
  EXPECT_EQ(stamp[1].value, Variant(int32_t{1})) << "by value: as given";
}

TEST_F(DispatchTest, EventsReachTheAttachedSinksOnly) {
  object_->PutProperty("Label", "ab");
  const int32_t cookie = object_->Advise(Recorder());
  std::vector<Variant> args{"", int32_t{2}};
  object_->Invoke(kDispidStamp, InvokeKind::Method, args);
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0].dispid, kDispidTick);
  EXPECT_EQ(events_[0].name, "Tick");
  EXPECT_EQ(events_[0].args, (std::vector<Variant>{int32_t{1}, "ab"}));
  EXPECT_EQ(events_[1].args, (std::vector<Variant>{int32_t{2}, "ab"}));

  object_->Unadvise(cookie);
  object_->Unadvise(cookie);  // again: ignored
  object_->Invoke(kDispidStamp, InvokeKind::Method, args);
  EXPECT_EQ(events_.size(), 2u);
}

TEST_F(DispatchTest, AFailingOrDetachingSinkDoesNotDisturbTheCall) {
  int32_t self = 0;
  int thrower_calls = 0;
  object_->Advise([&](int32_t, const std::string&, const std::vector<Variant>&) {
    ++thrower_calls;
    throw std::runtime_error("listener broke");
  });
  self = object_->Advise([&](int32_t, const std::string&, const std::vector<Variant>&) {
    object_->Unadvise(self);  // detaches itself during the first event
  });
  object_->Advise(Recorder());

  std::vector<Variant> args{"", int32_t{3}};
  EXPECT_EQ(object_->Invoke(kDispidStamp, InvokeKind::Method, args), Variant(true));
  EXPECT_EQ(args[0], Variant("***"));
  EXPECT_EQ(thrower_calls, 3);
  EXPECT_EQ(events_.size(), 3u) << "the recorder after the detached sink still gets every event";
}

TEST(ClassBindingTest, RejectsARepeatedNameOrDispid) {
  ClassBinding<Stamper> b("clsTwice", [] { return std::make_shared<Stamper>(); });
  b.Method("Run", 1, DispType::Void, {}, [](Stamper&, Arguments&) { return Variant(); });
  const auto body = [](Stamper&, const Variant&) {};
  EXPECT_THROW(b.WriteOnlyProperty("RUN", 2, DispType::Long, body), std::logic_error);
  EXPECT_THROW(b.WriteOnlyProperty("Other", 1, DispType::Long, body), std::logic_error);
  EXPECT_THROW(b.WriteOnlyProperty("Minus", kDispidUnknown, DispType::Long, body),
               std::logic_error);
  b.Event("Done", 1, {});  // events have a DISPID space of their own
  EXPECT_THROW(b.Event("done", 2, {}), std::logic_error);
}

// --- clsSaleOrder -------------------------------------------------------------

TEST(SaleOrderClassTest, DispatchTableHasTheExchangeInterface) {
  const auto binding = SaleOrderBinding();
  EXPECT_EQ(binding->class_name(), "clsSaleOrder");
  struct Row {
    const char* name;
    int32_t dispid;
    MemberKind kind;
    DispType type;  // result of a method, value of a property
  };
  const Row rows[] = {
      {"Export", 0x6003000D, MemberKind::Method, DispType::Boolean},
      {"Import", 0x6003000E, MemberKind::Method, DispType::Boolean},
      {"Filter", 0x68030004, MemberKind::PropertyPut, DispType::String},
      {"CheckByUUID", 0x68030003, MemberKind::PropertyPut, DispType::Boolean},
      {"AddNewOnly", 0x68030002, MemberKind::PropertyPut, DispType::Boolean},
      {"bProgress", 0x68030001, MemberKind::PropertyPut, DispType::Boolean},
      {"ImportErrorIgnore", 0x68030000, MemberKind::PropertyPut, DispType::Boolean},
  };
  ASSERT_EQ(binding->members().size(), std::size(rows));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const int index = binding->IndexOf(r.dispid);
    ASSERT_GE(index, 0);
    const MemberInfo& m = binding->members()[index];
    EXPECT_EQ(m.name, r.name);
    EXPECT_EQ(m.kind, r.kind);
    EXPECT_EQ(m.kind == MemberKind::Method ? m.result : m.params.at(0).type, r.type);
  }

  struct Param {
    const char* name;
    DispType type;
    bool by_ref, optional;
    Variant passed_when_left_out;
  };
  const auto check_params = [](const MemberInfo& m, const std::vector<Param>& expected) {
    SCOPED_TRACE(m.name);
    ASSERT_EQ(m.params.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(expected[i].name);
      EXPECT_EQ(m.params[i].name, expected[i].name);
      EXPECT_EQ(m.params[i].type, expected[i].type);
      EXPECT_EQ(m.params[i].by_ref, expected[i].by_ref);
      EXPECT_EQ(m.params[i].optional, expected[i].optional);
      if (expected[i].optional) {
        EXPECT_EQ(DefaultArgument(m.params[i]), expected[i].passed_when_left_out);
      }
    }
  };
  const DispType S = DispType::String;
  check_params(binding->members()[binding->IndexOf(0x6003000D)],
               {{"strPropsString", S, true, false, {}},
                {"strXML", S, true, false, {}},
                {"lPerCount", DispType::Long, false, true, int32_t{100}},
                {"strTimeStamp", S, true, true, ""},
                {"strMaxTimeStamp", S, true, true, ""},
                {"strError", S, true, true, ""}});
  check_params(binding->members()[binding->IndexOf(0x6003000E)],
               {{"strPropsString", S, true, false, {}},
                {"strXML", S, false, false, {}},
                {"strError", S, true, false, {}}});

  ASSERT_EQ(binding->events().size(), 1u);
  const EventInfo& progress = binding->events()[0];
  EXPECT_EQ(progress.name, "Progress");
  EXPECT_EQ(progress.dispid, 1);
  std::vector<std::string> names;
  std::vector<DispType> types;
  for (const ParamInfo& p : progress.params) {
    names.push_back(p.name);
    types.push_back(p.type);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"lCur", "lTotal", "pSucceed", "sMsg"}));
  EXPECT_EQ(types, (std::vector<DispType>{DispType::Long, DispType::Long, DispType::Boolean, S}));
}

class SaleOrderObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    RegisterPublicClasses();
  }
  void TearDown() override { db::HandlePool::CloseIdle(); }
};

TEST(ExchangeClassesTest, InvoicesAndStockBillsHaveTheirDispatchIds) {
  struct Row {
    std::shared_ptr<const ClassBinding<BillExchange>> binding;
    const char* class_name;
    int32_t export_id, import_id;
    bool stock_bill_type;
  };
  const Row rows[] = {
      {SaleOrderBinding(), "clsSaleOrder", 0x6003000D, 0x6003000E, false},
      {SaleInvoiceBinding(), "clsSaleInvoice", 0x6003000D, 0x6003000E, false},
      {StockBillBinding(), "clsStockBill", 0x60030006, 0x60030007, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.class_name);
    EXPECT_EQ(r.binding->class_name(), r.class_name);
    EXPECT_EQ(r.binding->members().size(), r.stock_bill_type ? 8u : 7u);
    for (const auto& [name, dispid] : {std::pair{"Export", r.export_id}, {"Import", r.import_id},
                                       {"Filter", 0x68030004}, {"ImportErrorIgnore", 0x68030000}}) {
      const int index = r.binding->IndexOf(dispid);
      ASSERT_GE(index, 0) << name;
      EXPECT_EQ(r.binding->members()[index].name, name);
    }
    const int type_index = r.binding->IndexOf(0x68030005);
    EXPECT_EQ(type_index >= 0, r.stock_bill_type);
    if (type_index >= 0) {
      const MemberInfo& m = r.binding->members()[type_index];
      EXPECT_EQ(m.name, "StockBillType");
      EXPECT_EQ(m.kind, MemberKind::PropertyPut);
      EXPECT_EQ(m.params.at(0).type, DispType::Long);
    }
  }
}

TEST_F(SaleOrderObjectTest, RegisteredByProgIdWithCaseInsensitiveNames) {
  EXPECT_EQ(PublicProgIds(),
            (std::vector<std::string>{"Corvane.clsSaleOrder", "Corvane.clsSaleInvoice",
                                      "Corvane.clsStockBill", "Corvane.clsDataKey",
                                      "Corvane.COrderTrace", "Corvane.CStockQuery",
                                      "Corvane.DTS"}));
  const DispatchPtr order = CreateDispatchObject("corvane.CLSSALEORDER");
  EXPECT_EQ(order->ClassName(), "clsSaleOrder");
  const struct {
    const char* name;
    int32_t dispid;
  } names[] = {{"export", 0x6003000D},
               {"IMPORT", 0x6003000E},
               {"filter", 0x68030004},
               {"CHECKBYUUID", 0x68030003},
               {"addnewonly", 0x68030002},
               {"BPROGRESS", 0x68030001},
               {"importerrorignore", 0x68030000},
               {"StockBillType", kDispidUnknown},
               {"Progress", kDispidUnknown}};
  for (const auto& n : names) EXPECT_EQ(order->GetIDOfName(n.name), n.dispid) << n.name;
  EXPECT_EQ(ErrorNumberOf([] { CreateDispatchObject("Corvane.clsNoSuchClass"); }),
            err::kCannotCreateObject)
      << "a class that does not exist is not registered";
}

TEST_F(SaleOrderObjectTest, DeletionKeysComeAHundredAtATimeUnlessAskedOtherwise) {
  corvane::testing::DemoAccount account;
  corvane::testing::AccountFile::ExecOn(account.path(), "DELETE FROM COM_DataChange");
  for (int i = 1; i <= 130; ++i)
    corvane::testing::AccountFile::ExecOn(account.path(), "INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES "
                 "(1, 81, 1, 'K-" + std::to_string(1000 + i) + "')");
  const DispatchPtr keys = CreateDispatchObject("Corvane.clsDataKey");
  auto page = [&](std::optional<int32_t> per_count) {
    std::vector<NamedArgument> args = {{"strPropsString", Variant(account.PropsString())},
                                       {"iBillType", Variant(int32_t(1))},
                                       {"strXML", Variant("")}};
    if (per_count) args.push_back({"lPerCount", Variant(*per_count)});
    EXPECT_TRUE(CBool(keys->InvokeNamed("ExportXMLDataKey", InvokeKind::Method, args)));
    const std::string xml = CStr(args[2].value);
    std::vector<std::string> uuids;
    for (size_t at = xml.find("<UUID>"); at != std::string::npos; at = xml.find("<UUID>", at + 1))
      uuids.push_back(xml.substr(at + 6, 6));
    return uuids;
  };
  const std::vector<std::string> hundred = page(std::nullopt);
  ASSERT_EQ(hundred.size(), 100u);
  EXPECT_EQ(hundred.front(), "K-1001");
  EXPECT_EQ(hundred.back(), "K-1100");
  EXPECT_EQ(page(0).size(), 130u);
}

TEST_F(SaleOrderObjectTest, TheQueriesAnswerByProgIdAndTheStockQueryGivesBatchesByDefault) {
  corvane::testing::DemoAccount account;
  const DispatchPtr stock = CreateDispatchObject("Corvane.CStockQuery");
  EXPECT_EQ(stock->GetIDOfName("Export"), 0x60030000);
  std::vector<NamedArgument> args = {{"sDSN", Variant(account.PropsString())},
                                     {"sItemNumber", Variant("M0001")},
                                     {"sXML", Variant("")},
                                     {"sError", Variant("")}};
  EXPECT_TRUE(CBool(stock->InvokeNamed("Export", InvokeKind::Method, args)));
  EXPECT_NE(CStr(args.at(2).value).find("<TavoStockDataQueryWithBatch"), std::string::npos)
      << CStr(args.at(2).value);

  const DispatchPtr trace = CreateDispatchObject("Corvane.COrderTrace");
  EXPECT_EQ(trace->GetIDOfName("Export"), 0x60030000);
  args = {{"sDSN", Variant(account.PropsString())},
          {"sSaleOrderNo", Variant("NO-SUCH-ORDER")},
          {"sXML", Variant("")},
          {"sError", Variant("")}};
  EXPECT_FALSE(CBool(trace->InvokeNamed("Export", InvokeKind::Method, args)));
  EXPECT_EQ(CStr(args.at(3).value), "不存在销售出库单");
}

TEST_F(SaleOrderObjectTest, ExportOfARefusedUserAnswersInStrErrorOnly) {
  corvane::testing::AccountFile account;  // no users: everybody is refused
  const DispatchPtr order = CreateDispatchObject("Corvane.clsSaleOrder");
  order->PutProperty("bProgress", true);
  int events = 0;
  order->Advise([&](int32_t, const std::string&, const std::vector<Variant>&) { ++events; });

  const std::vector<Variant> before{account.PropsString(), "<old/>",
                                    int32_t{10},           "0x00000000000000AA",
                                    "0x00000000000000BB",  "earlier"};
  std::vector<Variant> args = before;
  EXPECT_EQ(order->Invoke(0x6003000D, InvokeKind::Method, args), Variant(false));
  ASSERT_EQ(args.size(), before.size());
  EXPECT_EQ(args[5], Variant(GetMessageText("当前连接用户没有授权通过 WebServices 进行数据处理!")));
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(args[i], before[i]) << "argument " << i;
  EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace corvane::server
