#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "FakePorts.h"
#include "LocaleFixture.h"
#include "equipment/common/BaseObject.h"
#include "equipment/common/Exceptions.h"
#include "platform/AutomationObject.h"

namespace equ {
namespace {

class RecordingTraceWriter : public TraceWriter {
 public:
  std::vector<TraceLine> lines;
  bool fail = false;
  void WriteLine(const TraceLine& line) override {
    if (fail) throw Exception(u"Диск переполнен");
    lines.push_back(line);
  }
};

// A driver object with one handler for each way a call can end.
class TTestObject : public TBaseObject {
 public:
  int publicCalls = 0;
  Variant seenOutData;
  std::int32_t seenTimeOut = 0;

  void Initialize() override {
    TBaseObject::Initialize();
    RegisterPrivateMethod(u"Init", Bind(&TTestObject::HostInit));
    RegisterPrivateMethod(u"Raise", Bind(&TTestObject::HostRaise));
    RegisterPublicMethod(u"Echo", Bind(&TTestObject::HostEcho));
    RegisterPublicMethod(u"PortFailure",
                         [](Variant&, Variant&, std::int32_t, WideString&) { return 1011; });
    RegisterPublicMethod(u"OwnFailure", Bind(&TTestObject::HostOwnFailure));
    RegisterPublicMethod(u"Throws",
                         [](Variant&, Variant&, std::int32_t, WideString&) -> std::int32_t {
                           throw EquException(1011, u"Порт COM3 занят");
                         });
    RegisterPublicMethod(u"ThrowsStd",
                         [](Variant&, Variant&, std::int32_t, WideString&) -> std::int32_t {
                           throw std::runtime_error("bad thing");
                         });
    RegisterSpecificMethod(u"GetScanData", Bind(&TTestObject::HostEcho));
  }

  void EnableExtensions() {
    FOnExtMethod = [this](const WideString& name, Variant&, Variant& out, std::int32_t,
                          WideString&) {
      out = Variant(u"ext:" + name);
      return 0;
    };
  }

  using TBaseObject::FindOrAddMethod;
  using TBaseObject::RegisterMethod;

 private:
  Variant HostInit(SafeArray& params) {
    params.At(0) = Variant(u"replaced");
    return Variant(static_cast<std::int32_t>(params.ElementCount()));
  }
  Variant HostRaise(SafeArray&) { throw EquException(1005, u"Нет менеджера"); }
  std::int32_t HostEcho(Variant& in, Variant& out, std::int32_t timeOut, WideString&) {
    ++publicCalls;
    seenOutData = out;
    seenTimeOut = timeOut;
    out = in;
    return 0;
  }
  std::int32_t HostOwnFailure(Variant&, Variant&, std::int32_t, WideString& description) {
    description = u"Неверный штрихкод";
    FExtData = Variant(77);
    return 1004;
  }
};

class BaseObjectTest : public ::testing::Test {
 protected:
  BaseObjectTest()
      : ports_(PlatformPorts{.guids = std::make_shared<testing::SequentialGuidSource>(),
                             .callTrace = trace_}) {
    object_.Initialize();
  }

  std::int32_t Id(std::u16string_view name) {
    std::int32_t id = -1;
    EXPECT_EQ(object_.GetIDsOfNames(name, id), hresult::kOk);
    return id;
  }

  HResult Call(std::u16string_view name, SafeArray& params, Variant& result,
               InvokeExceptionInfo* info = nullptr) {
    return object_.Invoke(Id(name), kDispatchMethod, params, result, info);
  }

  static SafeArray PublicArgs(Variant in, Variant out, Variant timeOut) {
    return SafeArray::Vector({std::move(in), std::move(out), std::move(timeOut)});
  }

  std::vector<std::pair<WideString, WideString>> Lines() const {
    std::vector<std::pair<WideString, WideString>> out;
    for (const TraceLine& line : trace_->lines) out.emplace_back(line.name, line.text);
    return out;
  }

  testing::LocaleScope locale_ = testing::EnglishLocale();
  std::shared_ptr<RecordingTraceWriter> trace_ = std::make_shared<RecordingTraceWriter>();
  ScopedPlatformPorts ports_;
  TTestObject object_;
};

TEST_F(BaseObjectTest, DispatchNumbersFollowRegistrationOrder) {
  ASSERT_EQ(object_.MethodList().size(), 8u);
  EXPECT_EQ(Id(u"Init"), 0);
  EXPECT_EQ(Id(u"GetScanData"), 7);
  EXPECT_TRUE(object_.MethodList()[7].IsSpecific);
  EXPECT_TRUE(object_.MethodList()[7].IsPublic);
  EXPECT_FALSE(object_.MethodList()[0].IsPublic);
}

TEST_F(BaseObjectTest, NamesMatchFoldingOnlyAsciiLetters) {
  EXPECT_EQ(object_.FindMethodID(u"getscandata"), 7);
  EXPECT_EQ(object_.FindMethodID(u"GETSCANDATA"), 7);
  EXPECT_EQ(object_.FindMethodID(u"gEtScAnDaTa"), 7);
  object_.RegisterMethod(u"Сканировать", false, nullptr);
  EXPECT_EQ(object_.FindMethodID(u"Сканировать"), 8);
  EXPECT_EQ(object_.FindMethodID(u"сканировать"), -1);
  EXPECT_EQ(object_.FindMethodID(u"GetScanData "), -1);
}

TEST_F(BaseObjectTest, UnknownNameIsNotImplementedWithMinusOne) {
  std::int32_t id = 5;
  EXPECT_EQ(object_.GetIDsOfNames(u"NoSuchMethod", id), hresult::kNotImpl);
  EXPECT_EQ(id, -1);
}

TEST_F(BaseObjectTest, RegisteringAgainKeepsTheNumberAndReplacesHandlerAndFlags) {
  const std::size_t rows = object_.MethodList().size();
  TMethodStruct& row =
      object_.RegisterMethod(u"ECHO", true, [](Variant&, Variant& out, std::int32_t, WideString&) {
        out = Variant(u"second");
        return 0;
      });
  EXPECT_EQ(object_.MethodList().size(), rows);
  EXPECT_EQ(row.Name, u"Echo") << "the first registration's name stays";
  EXPECT_TRUE(row.IsSpecific);
  SafeArray params = PublicArgs(Variant(1), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"echo", params, result), hresult::kOk);
  EXPECT_EQ(params.At(1), Variant(u"second"));
}

struct RefusedCall {
  const char* name;
  std::int32_t dispId;
  std::uint16_t flags;
  HResult expected;
};

class RefusedInvokeTest : public BaseObjectTest,
                          public ::testing::WithParamInterface<RefusedCall> {};

TEST_P(RefusedInvokeTest, RefusesWithoutCallingOrWritingAnything) {
  const RefusedCall& c = GetParam();
  SafeArray params = PublicArgs(Variant(1), Variant(2), Variant(0));
  const SafeArray before = params;
  Variant result(u"untouched");
  EXPECT_EQ(object_.Invoke(c.dispId, c.flags, params, result, nullptr), c.expected);
  EXPECT_EQ(params, before);
  EXPECT_EQ(result, Variant(u"untouched"));
  EXPECT_EQ(object_.publicCalls, 0);
  EXPECT_EQ(object_.MethodList().size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedInvokeTest,
    ::testing::Values(RefusedCall{"DispIdTooLarge", 100000, kDispatchMethod, hresult::kFail},
                      RefusedCall{"PropertyGet", 2, kDispatchPropertyGet, hresult::kFail},
                      RefusedCall{"NoFlags", 2, 0, hresult::kFail},
                      RefusedCall{"Negative", -1, kDispatchMethod, hresult::kMemberNotFound},
                      RefusedCall{"PastTheTable", 8, kDispatchMethod, hresult::kMemberNotFound},
                      RefusedCall{"ExtensionRangeWithoutHandler", 65535, kDispatchMethod,
                                  hresult::kMemberNotFound}),
    [](const ::testing::TestParamInfo<RefusedCall>& p) { return p.param.name; });

TEST_F(BaseObjectTest, MethodBitWithPropertyGetStillCalls) {
  SafeArray params = PublicArgs(Variant(1), Variant(), Variant(0));
  Variant result;
  EXPECT_EQ(
      object_.Invoke(Id(u"Echo"), kDispatchMethod | kDispatchPropertyGet, params, result, nullptr),
      hresult::kOk);
  EXPECT_EQ(result, Variant(true));
}

TEST_F(BaseObjectTest, PublicSuccessReturnsTrueAndTheHandlersOutData) {
  SafeArray params = PublicArgs(Variant(u"in"), Variant(u"host's value"), Variant(30));
  Variant result;
  ASSERT_EQ(Call(u"Echo", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(true));
  EXPECT_EQ(params.At(1), Variant(u"in"));
  EXPECT_TRUE(object_.seenOutData.IsEmpty())
      << "the host's second argument never reaches the handler";
  EXPECT_EQ(object_.seenTimeOut, 30);
}

TEST_F(BaseObjectTest, PublicSuccessWithoutTouchingOutDataLeavesItEmpty) {
  object_.RegisterMethod(u"Quiet", false,
                         [](Variant&, Variant&, std::int32_t, WideString&) { return 0; });
  SafeArray params = PublicArgs(Variant(1), Variant(u"old"), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"Quiet", params, result), hresult::kOk);
  EXPECT_TRUE(params.At(1).IsEmpty());
}

TEST_F(BaseObjectTest, FailureCodeWithoutDescriptionGetsTheTableText) {
  SafeArray params = PublicArgs(Variant(), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"PortFailure", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(false));
  EXPECT_EQ(params.At(1), Variant(SafeArray::Vector({Variant(1011), Variant(u"Порт недоступен")})));
}

TEST_F(BaseObjectTest, OwnDescriptionAndExtraDataMakeTheErrorArray) {
  SafeArray params = PublicArgs(Variant(), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"OwnFailure", params, result), hresult::kOk);
  EXPECT_EQ(
      params.At(1),
      Variant(SafeArray::Vector({Variant(1004), Variant(u"Неверный штрихкод"), Variant(77)})));
  // The extra data belongs to that one call.
  ASSERT_EQ(Call(u"PortFailure", params, result), hresult::kOk);
  EXPECT_EQ(params.At(1).Array()->ElementCount(), 2u);
}

TEST_F(BaseObjectTest, PublicHandlerExceptionsBecome1001WithTheirMessage) {
  SafeArray params = PublicArgs(Variant(), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"Throws", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(false));
  EXPECT_EQ(params.At(1), Variant(SafeArray::Vector({Variant(1001), Variant(u"Порт COM3 занят")})));
  ASSERT_EQ(Call(u"ThrowsStd", params, result), hresult::kOk);
  EXPECT_EQ(params.At(1), Variant(SafeArray::Vector({Variant(1001), Variant(u"bad thing")})));
}

struct TimeOutCase {
  const char* name;
  Variant timeOut;
  bool accepted;
  bool present = true;
};

class TimeOutTest : public BaseObjectTest, public ::testing::WithParamInterface<TimeOutCase> {};

TEST_P(TimeOutTest, OnlyOrdinalTimeOutsReachTheHandler) {
  const TimeOutCase& c = GetParam();
  std::vector<Variant> args{Variant(u"in"), Variant(u"out")};
  if (c.present) args.push_back(c.timeOut);
  SafeArray params = SafeArray::Vector(args);
  const SafeArray before = params;
  Variant result;
  const HResult answer = Call(u"Echo", params, result);
  if (c.accepted) {
    EXPECT_EQ(answer, hresult::kOk);
    EXPECT_EQ(object_.publicCalls, 1);
  } else {
    EXPECT_EQ(answer, hresult::kInvalidArg);
    EXPECT_EQ(object_.publicCalls, 0);
    EXPECT_EQ(params, before);
    EXPECT_TRUE(result.IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeOutTest,
    ::testing::Values(
        TimeOutCase{"I4", Variant(0), true}, TimeOutCase{"I2", Variant::Int(VarType::I2, 5), true},
        TimeOutCase{"UI1", Variant::UInt(VarType::UI1, 5), true},
        TimeOutCase{"Bool", Variant(true), true}, TimeOutCase{"String", Variant(u"10"), false},
        TimeOutCase{"Double", Variant(10.0), false}, TimeOutCase{"Empty", Variant(), false},
        TimeOutCase{"Missing", Variant(), false, false},
        TimeOutCase{"I8TooLarge", Variant::Int(VarType::I8, 1LL << 40), false}),
    [](const ::testing::TestParamInfo<TimeOutCase>& p) { return p.param.name; });

TEST_F(BaseObjectTest, PrivateHandlerSeesAndReplacesTheWholeArray) {
  SafeArray params = SafeArray::Vector({Variant(u"manager"), Variant(2)});
  Variant result;
  ASSERT_EQ(Call(u"Init", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(2));
  EXPECT_EQ(params.At(0), Variant(u"replaced"));
}

TEST_F(BaseObjectTest, PrivateHandlerExceptionIsAnAutomationException) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = SafeArray::Vector({Variant(1)});
  Variant result(u"untouched");
  InvokeExceptionInfo info;
  EXPECT_EQ(Call(u"Raise", params, result, &info), hresult::kDispException);
  EXPECT_EQ(info.scode, 1001);
  EXPECT_EQ(info.description, u"Нет менеджера");
  EXPECT_EQ(info.source, u"EquException");
  EXPECT_EQ(result, Variant(u"untouched"));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].first, u"> Raise");
  EXPECT_EQ(lines[0].second, u"Params: [(1)]");
  EXPECT_EQ(lines[1], std::make_pair(WideString(u"EXCEPTION"), WideString(u"Нет менеджера")));
  EXPECT_EQ(lines[2],
            std::make_pair(WideString(u"EXCEPTION"), WideString(u"EquException: Нет менеджера")));
}

TEST_F(BaseObjectTest, TraceOfAPublicCall) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = PublicArgs(Variant(u"abc"), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"Echo", params, result), hresult::kOk);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::make_pair(WideString(u"> Echo"), WideString(u"InData: 'abc'")));
  EXPECT_EQ(lines[1],
            std::make_pair(WideString(u"< Echo"), WideString(u"Result=True; OutData: 'abc'")));
  EXPECT_EQ(trace_->lines[0].instanceId, object_.InstanceID());
}

TEST_F(BaseObjectTest, TraceAfterInvalidTimeOutShowsAnEmptyResult) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = PublicArgs(Variant(5), Variant(), Variant(u"x"));
  Variant result;
  ASSERT_EQ(Call(u"Echo", params, result), hresult::kInvalidArg);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].second, u"Result=EMPTY; OutData: EMPTY");
}

TEST_F(BaseObjectTest, TraceOfAPrivateCallShowsTheArrayBeforeAndAfter) {
  object_.SetDebugLogEnabled(true);
  SafeArray params = SafeArray::Vector({Variant(u"m")});
  Variant result;
  ASSERT_EQ(Call(u"Init", params, result), hresult::kOk);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].second, u"Params: [('m')]");
  EXPECT_EQ(lines[1].second, u"Result=1; Params: [('replaced')]");
}

TEST_F(BaseObjectTest, NoTraceLinesWhileTheTraceIsOff) {
  SafeArray params = PublicArgs(Variant(u"abc"), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(Call(u"Echo", params, result), hresult::kOk);
  EXPECT_TRUE(trace_->lines.empty());
}

TEST_F(BaseObjectTest, ATraceLineThatCannotBeWrittenDoesNotFailTheCall) {
  object_.SetDebugLogEnabled(true);
  trace_->fail = true;
  SafeArray params = PublicArgs(Variant(u"abc"), Variant(), Variant(0));
  Variant result;
  EXPECT_EQ(Call(u"Echo", params, result), hresult::kOk);
  EXPECT_EQ(result, Variant(true));
  SafeArray privateParams = SafeArray::Vector({Variant(1)});
  InvokeExceptionInfo info;
  EXPECT_EQ(Call(u"Raise", privateParams, result, &info), hresult::kDispException);
  EXPECT_EQ(info.description, u"Нет менеджера");
}

TEST_F(BaseObjectTest, ExtensionHandlerAnswersNamesOutsideTheTable) {
  object_.EnableExtensions();
  std::int32_t first = 0;
  std::int32_t second = 0;
  ASSERT_EQ(object_.GetIDsOfNames(u"Extra", first), hresult::kOk);
  ASSERT_EQ(object_.GetIDsOfNames(u"Other", second), hresult::kOk);
  EXPECT_EQ(first, 65535);
  EXPECT_EQ(second, 65536);
  EXPECT_EQ(object_.FindMethodID(u"EXTRA"), 65535);
  SafeArray params = PublicArgs(Variant(), Variant(), Variant(0));
  Variant result;
  ASSERT_EQ(object_.Invoke(second, kDispatchMethod, params, result, nullptr), hresult::kOk);
  EXPECT_EQ(params.At(1), Variant(u"ext:Other"));
  EXPECT_EQ(object_.Invoke(65537, kDispatchMethod, params, result, nullptr),
            hresult::kMemberNotFound);
}

TEST_F(BaseObjectTest, EveryObjectHasItsOwnInstanceIdAndTable) {
  TTestObject other;
  other.Initialize();
  EXPECT_NE(other.InstanceID(), object_.InstanceID());
  object_.RegisterMethod(u"OnlyHere", false, nullptr);
  EXPECT_EQ(other.FindMethodID(u"OnlyHere"), -1);
  EXPECT_EQ(object_.InstanceID().size(), 38u);
}

TEST_F(BaseObjectTest, SwitchingTheTraceOnWritesTheHeaderOnce) {
  class HeaderObject : public TBaseObject {
   public:
    int headers = 0;
    void BeginDebugLog() override { ++headers; }
  } header;
  header.SetDebugLogEnabled(true);
  header.SetDebugLogEnabled(true);
  header.SetDebugLogEnabled(false);
  EXPECT_EQ(header.headers, 1);
}

// A script array object as JScript passes it: a length and members named by index.
class ScriptArray : public DispatchPort {
 public:
  std::vector<Variant> items;
  std::uintptr_t Address() const override { return 1; }
  Variant CallMethod(std::u16string_view, std::span<DispatchArgument>) override { return {}; }
  std::optional<Variant> GetProperty(std::u16string_view name) override {
    if (name == u"length") return Variant(static_cast<std::int32_t>(items.size()));
    const std::size_t index = std::stoul(WideToUtf8(name));
    if (index < items.size()) return items[index];
    return std::nullopt;
  }
};

TEST(ArrayElementsTest, IndicesCountFromZeroWhateverTheLowerBound) {
  SafeArray array(VarType::Variant, {{5, 2}});
  array.At(5) = Variant(u"first");
  array.At(6) = Variant(u"second");
  Variant a(u"stale"), b, c(u"stale");
  TBaseObject::GetArrayElements(Variant(array), {&a, &b, &c});
  EXPECT_EQ(a, Variant(u"first"));
  EXPECT_EQ(b, Variant(u"second"));
  EXPECT_TRUE(c.IsEmpty()) << "a missing element leaves its target Empty";
}

TEST(ArrayElementsTest, FollowsReferencesToTheArray) {
  Variant array(SafeArray::Vector({Variant(1)}));
  Variant reference = Variant::ReferenceTo(array);
  Variant a;
  TBaseObject::GetArrayElements(reference, {&a});
  EXPECT_EQ(a, Variant(1));
}

TEST(ArrayElementsTest, ReadsScriptArrayObjects) {
  auto script = std::make_shared<ScriptArray>();
  script->items = {Variant(u"x"), Variant(2)};
  Variant a, b, c(u"stale");
  TBaseObject::GetArrayElements(Variant(std::shared_ptr<DispatchPort>(script)), {&a, &b, &c});
  EXPECT_EQ(a, Variant(u"x"));
  EXPECT_EQ(b, Variant(2));
  EXPECT_TRUE(c.IsEmpty());
}

TEST(ArrayElementsTest, ANonArraySourceFailsWith1004) {
  Variant a(u"stale");
  try {
    TBaseObject::GetArrayElements(Variant(u"not an array"), {&a});
    ADD_FAILURE() << "no exception";
  } catch (const EquException& e) {
    EXPECT_EQ(e.Code(), 1004);
  }
  EXPECT_TRUE(a.IsEmpty()) << "targets are cleared first";
  EXPECT_THROW(TBaseObject::GetArrayElements(Variant::ArrayWithoutData(VarType::Variant), {&a}),
               EquException);
}

TEST(ArrayElementsTest, PutArrayElementIgnoresAStoreOutsideTheBounds) {
  SafeArray array = SafeArray::Vector(2);
  TBaseObject::PutArrayElement(array, 1, Variant(5));
  TBaseObject::PutArrayElement(array, 2, Variant(6));
  TBaseObject::PutArrayElement(array, -1, Variant(7));
  EXPECT_EQ(array, SafeArray::Vector({Variant(), Variant(5)}));
}

TEST(ArrayElementsTest, MakeErrorDataFillsAnEmptyDescriptionFromTheTable) {
  EXPECT_EQ(TBaseObject::MakeErrorData(2001, u"", Variant()),
            Variant(SafeArray::Vector({Variant(2001), Variant(u"Буфер данных пуст")})));
  EXPECT_EQ(TBaseObject::MakeErrorData(5, u"", Variant()),
            Variant(SafeArray::Vector({Variant(5), Variant(u"Неизвестная ошибка")})));
  EXPECT_EQ(TBaseObject::MakeErrorData(1011, u"свой", Variant(u"x")),
            Variant(SafeArray::Vector({Variant(1011), Variant(u"свой"), Variant(u"x")})));
}

}  // namespace
}  // namespace equ
