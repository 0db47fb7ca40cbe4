#pragma once
// The headers of one request as the method dispatch sees them: copied out of the transport,
// so that a handler on a worker thread never touches the connection's buffers.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

namespace dieta::server {

class RequestHeaders {
public:
    void add(QByteArray name, QByteArray value) {
        fields_.append({std::move(name), std::move(value)});
    }
    // The first value of the header (names ignore case), trimmed; null when absent.
    QString value(QByteArrayView name) const {
        for (const auto& [field, text] : fields_)
            if (field.compare(name, Qt::CaseInsensitive) == 0)
                return QString::fromUtf8(text).trimmed();
        return {};
    }
    int count(QByteArrayView name) const {
        int n = 0;
        for (const auto& field : fields_)
            n += field.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
        return n;
    }
    const QList<std::pair<QByteArray, QByteArray>>& fields() const { return fields_; }

private:
    QList<std::pair<QByteArray, QByteArray>> fields_;
};

} // namespace dieta::server
