#include "tests/support/echomethods.h"

#include <stdexcept>

namespace dieta::test {

using server::ArgKind;
using server::CallContext;
using server::CallResult;
using server::MethodEntry;

void Gate::open() {
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    opened_.notify_all();
}

bool Gate::waitOpen(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, bound, [this] { return open_; });
}

void addEchoMethods(server::MethodRegistry& registry, Gate* hold) {
    registry.add({"Echo", {ArgKind::Any}, {}, [](CallContext&, QVariantList& args) {
                      return CallResult::ok(args.at(0));
                  }});
    registry.add({"Swap",
                  {ArgKind::String, ArgKind::String, ArgKind::Number, ArgKind::String},
                  {1, 3},
                  [](CallContext&, QVariantList& args) {
                      args[1] = args.at(0).toString() + QStringLiteral("!");
                      return CallResult::ok();
                  }});
    registry.add({"ClearRef", {ArgKind::String}, {0}, [](CallContext&, QVariantList& args) {
                      args[0] = QVariant();
                      return CallResult::ok(QStringLiteral("cleared"));
                  }});
    registry.add({"Fail", {ArgKind::String}, {}, [](CallContext&, QVariantList& args) {
                      return CallResult::fail(args.at(0).toString());
                  }});
    registry.add({"Operator", {}, {}, [](CallContext& context, QVariantList&) {
                      return CallResult::ok(context.operatorCode);
                  }});
    registry.add({"Peer", {}, {}, [](CallContext& context, QVariantList&) {
                      return CallResult::ok(context.clientAddress);
                  }});
    registry.add(
        {"Kinds",
         {ArgKind::String, ArgKind::Date, ArgKind::Number, ArgKind::Boolean, ArgKind::Packet},
         {},
         [](CallContext&, QVariantList& args) {
             QStringList names;
             for (const QVariant& arg : args)
                 names << QString::fromLatin1(arg.typeName());
             return CallResult::ok(names.join(QLatin1Char(',')));
         }});
    if (hold)
        registry.add({"Hold", {}, {}, [hold](CallContext&, QVariantList&) {
                          if (!hold->waitOpen(std::chrono::seconds(30)))
                              return CallResult::fail(QStringLiteral("gate never opened"));
                          return CallResult::ok(QStringLiteral("released"));
                      }});
    registry.add({"Throw", {}, {}, [](CallContext&, QVariantList&) -> CallResult {
                      throw std::runtime_error(secretDetail);
                  }});
}

} // namespace dieta::test
