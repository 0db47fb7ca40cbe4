#pragma once
// A remote call sent ahead of the moment its answer is needed, on a connection of its own, so
// that it travels while the caller waits for another answer. The caller takes the answer where
// it used to make the call; an answer asked for with other arguments is not this one, and the
// caller then makes its own call as before.
//
// The call runs on a thread of its own and touches nothing of the caller's: it gets copies of
// the arguments and a twin of the caller's connection. Its result is the connection's, error
// results included, so that the caller shows a failure exactly as it would its own call's.

#include "platform/platform_export.h"
#include "platform/tnetconnection.h"

#include <QString>
#include <QVariant>
#include <future>
#include <memory>
#include <optional>

namespace dieta {

class PLATFORM_EXPORT CallAhead {
public:
    CallAhead() = default;
    CallAhead(const CallAhead&) = delete;
    CallAhead& operator=(const CallAhead&) = delete;
    // Waits for a call still travelling: its thread uses this object's connection.
    ~CallAhead();

    // Sends method(args) on a twin of `like`. Does nothing when `like` is not connected (its
    // address may still depend on its BeforeConnect). An answer not taken is dropped.
    void start(const TNetConnection& like, const QString& method, const QVariantList& args);
    // The answer of the call started with this method and these arguments, waiting for it if
    // needed; nullopt when no such call was started. Either way the started call is done with.
    std::optional<QVariant> take(const QString& method, const QVariantList& args);
    // The answer taken, or else connection.call(method, args) made now.
    QVariant takeOrCall(TNetConnection& connection, const QString& method, QVariantList& args);

private:
    void drop();

    std::unique_ptr<TNetConnection> connection_;
    QString method_;
    QVariantList args_;
    std::future<QVariant> answer_;
};

} // namespace dieta
