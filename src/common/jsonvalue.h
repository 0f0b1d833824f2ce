#pragma once

#include <QString>
#include <QVariant>

namespace Common {

// A typed value holder with a JSON form: a variant tree of maps, lists, strings, numbers and
// booleans from which the value is read back with its type.
//
// JSON form of a value v:
// - an invalid v: an invalid variant; any other null v: {"_null": true, "type": type name};
// - bool, int, double and string: v itself;
// - any other type: the map form of its VariantMapConverter, with every member (and every
//   list element) of a registered type in its own JSON form, plus "_type": the alias. A type
//   without a converter is logged and gives {"_type": ""}, which reads back as invalid.
// The member names "_type" and "_null" are therefore reserved in map forms.
//
// The holder owns one instance of its type, created and destroyed through the meta-type
// system; copies copy it.
class JsonValue
{
public:
    // A holder of typeId with value, or with the type's default value when value is invalid
    // or of another type (see construct()).
    explicit JsonValue(int typeId, const QVariant &value = QVariant());
    JsonValue(const JsonValue &other);
    JsonValue &operator=(const JsonValue &other);
    ~JsonValue();

    int typeId() const { return m_typeId; }
    QVariant value() const;

    // Replaces the held value with a copy of data. Data of another type is logged under
    // "Common.JsonValue" and gives the default value; an invalid data gives it as well.
    void construct(const QVariant &data);

    QVariant toJson() const { return toJson(value()); }
    static QVariant toJson(const QVariant &v);
    // Reads a value back from its JSON form. Maps without "_type" and lists are read member
    // by member; other values are returned as they are. A result that is neither invalid nor
    // a value of typeId is reported (non-fatal assertion) and returned all the same.
    static QVariant fromJson(const QVariant &json, int typeId);

    // Members of a compound value: of a variant map, or of the map form of the held type.
    // Names must not be empty; a member keeps its type.
    QVariant mapValue(const QString &name) const;
    // Replaces a member with a value of the member's type.
    void setMapValue(const QString &name, const QVariant &value);
    // Replaces a member with a value in JSON form (as stored, or from a script), read back
    // and converted to the member's type by Qt's variant conversion.
    void setPropertyValue(const QString &name, const QVariant &value);

private:
    QVariantMap members() const;
    void setMembers(const QVariantMap &members);

    int m_typeId;
    void *m_data;
};

} // namespace Common
