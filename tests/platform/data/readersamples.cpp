// Byte samples for the packet readers, kept apart from the test class (moc cannot read some
// of these literals).
#include "readersamples.h"

#include <cmath>

using namespace dieta;

QList<std::pair<const char*, QByteArray>> readerSamples() {
    QList<std::pair<const char*, QByteArray>> samples;
    struct Adder {
        QList<std::pair<const char*, QByteArray>>& list;
        const char* name;
        Adder& operator<<(const QByteArray& bytes) {
            list.append({name, bytes});
            return *this;
        }
    };
    const auto add = [&](const char* name) { return Adder{samples, name}; };
    const QByteArray fields =
        R"("fields":[{"name":"T","type":"string","size":4},{"name":"D","type":"datetime"},)"
        R"({"name":"F","type":"float"},{"name":"I","type":"integer"},)"
        R"({"name":"B","type":"boolean"},{"name":"Y","type":"date"}])";
    const auto packet = [&](const QByteArray& row) {
        return "{" + fields + ",\"rows\":[" + row + "]}";
    };
    add("plain") << packet(R"(["ab","2026-12-07T10:00:00",1.5,2,true,"2026-12-07"])");
    add("blanks") << QByteArray(" \n{ ") + fields +
                         " , \"rows\" : [ [ \"a\" , null ,"
                         " -0.5e-3 , -7 , false , null ] ] } \r\n";
    add("rows first") << QByteArray(R"({"rows":[["a",null,1,2,true,null]],)") + fields + "}";
    add("unknown key") << QByteArray(R"({"x":{"y":[1,"\u00e9",{}]},)") + fields + R"(,"rows":[]})";
    add("escapes") << packet(R"(["\"\\\/\n",null,1,2,true,null])");
    add("surrogates") << packet(R"(["\ud83d\ude00",null,1,2,true,null])");
    add("lone surrogate") << packet(R"(["\ud83d",null,1,2,true,null])");
    add("accents") << packet("[\"ção\",null,1,2,true,null]");
    add("too long after escape") << packet(R"(["\u0041bcde",null,1,2,true,null])");
    add("bad utf8") << packet("[\"\xc3\x28\",null,1,2,true,null]");
    add("overlong utf8") << packet("[\"\xc0\xaf\",null,1,2,true,null]");
    add("control char") << packet("[\"a\tb\",null,1,2,true,null]");
    add("whole float for integer") << packet(R"([null,null,1,2.0,true,null])");
    add("exponent integer") << packet(R"([null,null,1,1e2,true,null])");
    add("big integer") << packet(R"([null,null,1,9007199254740993,true,null])");
    add("integer overflow") << packet(R"([null,null,1,99999999999999999999,true,null])");
    add("leading zero") << packet(R"([null,null,01,2,true,null])");
    add("huge float") << packet(R"([null,null,1e400,2,true,null])");
    add("string bool") << packet(R"([null,null,1,2,"true",null])");
    add("trailing comma") << packet(R"([null,null,1,2,true,null,])");
    add("trailing text") << packet(R"([null,null,1,2,true,null])") + "x";
    add("rows null") << "{" + fields + R"(,"rows":null})";
    add("fields twice") << "{" + fields + "," + fields + "}";
    add("truncated") << packet(R"([null,null,1,2,true,null])").chopped(3);
    add("date only time") << packet(R"([null,"2026-12-07",1,2,true,null])");
    return samples;
}

Row awkwardRow() {
    return Row{QString("\x01\"\\😀"),
               QString("tab\tdel\x7f"),
               QVariant(),
               QVariant(),
               std::nan(""),
               qint64(-1),
               true};
}
