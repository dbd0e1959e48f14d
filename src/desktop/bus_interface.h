#pragma once

#include <gio/gio.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plugscope {

// A D-Bus interface that an object of type Object exports, as one table:
// a row per method with its handler, a row per property with its getter,
// a row per signal. The table is the only list of members in code; the
// interface's introspection XML, which GIO checks every incoming call
// against (unknown members and wrong argument types never reach a
// handler), must list the same members with the same signatures, and a
// unit test holds the two together (busInterfaceListing).

template <typename Object>
struct BusMethod {
  const char* name;
  const char* in;   // signature of the arguments, "" for none
  const char* out;  // signature of the reply
  // Replies through `invocation` exactly once (value or error). It may run
  // what the call asks for after replying, even destroy the object: the
  // dispatcher touches nothing after it returns. `parameters` has the
  // type `in`; it is borrowed.
  void (*handle)(Object& object, GVariant* parameters, GDBusMethodInvocation* invocation);
};

template <typename Object>
struct BusProperty {
  const char* name;
  const char* type;
  // A new value of `type`, floating or owned; the caller sinks it.
  GVariant* (*get)(const Object& object);
};

struct BusSignal {
  const char* name;
  const char* signature;  // of its arguments, "" for none
};

template <typename Object>
struct BusInterface {
  const char* name;
  std::span<const BusMethod<Object>> methods;
  std::span<const BusProperty<Object>> properties;
  std::span<const BusSignal> signals;
};

// The members of a table, one line each ("method GetLayout (iias) (u(ia{sv}av))",
// "property Title s read", "signal NewStatus (s)"), in the table's order.
template <typename Object>
std::vector<std::string> busInterfaceListing(const BusInterface<Object>& table) {
  std::vector<std::string> lines;
  for (const auto& method : table.methods) {
    lines.push_back(std::string("method ") + method.name + " (" + method.in + ") (" + method.out +
                    ")");
  }
  for (const auto& property : table.properties) {
    // Getters only: every property is read-only.
    lines.push_back(std::string("property ") + property.name + " " + property.type + " read");
  }
  for (const auto& signal : table.signals) {
    lines.push_back(std::string("signal ") + signal.name + " (" + signal.signature + ")");
  }
  return lines;
}

// The same listing for an interface of parsed introspection data.
std::vector<std::string> busInterfaceListing(const GDBusInterfaceInfo& info);

namespace bus_detail {

template <typename Object>
struct Binding {
  const BusInterface<Object>* table;
  Object* object;
};

template <typename Object>
void methodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
  const auto* binding = static_cast<const Binding<Object>*>(data);
  for (const auto& row : binding->table->methods) {
    if (std::string_view(row.name) == method) {
      row.handle(*binding->object, parameters, invocation);
      return;
    }
  }
  // Listed in the XML but not in the table: the unit test catches it first.
  g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                        "No method %s", method);
}

template <typename Object>
GVariant* getProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                      GError** error, gpointer data) {
  const auto* binding = static_cast<const Binding<Object>*>(data);
  for (const auto& row : binding->table->properties) {
    if (std::string_view(row.name) == name) return row.get(*binding->object);
  }
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
  return nullptr;
}

}  // namespace bus_detail

// Exports `object` at `path` on `connection` with `table`'s handlers and
// `info` (the parsed XML of the same interface) as its introspection.
// Returns the registration id for g_dbus_connection_unregister_object; 0
// when GIO refuses (the path is taken). `table` must outlive every
// registration; `object` must outlive this one.
template <typename Object>
guint exportBusInterface(GDBusConnection* connection, const char* path,
                         GDBusInterfaceInfo* info, const BusInterface<Object>& table,
                         Object& object) {
  static const GDBusInterfaceVTable vtable = {bus_detail::methodCall<Object>,
                                              bus_detail::getProperty<Object>, nullptr, {}};
  auto* binding = new bus_detail::Binding<Object>{&table, &object};
  return g_dbus_connection_register_object(
      connection, path, info, &vtable, binding,
      +[](gpointer data) { delete static_cast<bus_detail::Binding<Object>*>(data); }, nullptr);
}

// Emits `signal` of `table` from `path`; `parameters` (floating, or null
// for none) must match the row's signature, or nothing is sent.
template <typename Object>
void emitBusSignal(GDBusConnection* connection, const char* path,
                   const BusInterface<Object>& table, std::string_view signal,
                   GVariant* parameters = nullptr) {
  g_autoptr(GVariant) owned = parameters ? g_variant_ref_sink(parameters) : nullptr;
  for (const BusSignal& row : table.signals) {
    if (signal != row.name) continue;
    const std::string type = std::string("(") + row.signature + ")";
    if (owned ? !g_variant_is_of_type(owned, G_VARIANT_TYPE(type.c_str())) : type != "()") return;
    g_dbus_connection_emit_signal(connection, nullptr, path, table.name, row.name, owned, nullptr);
    return;
  }
}

}  // namespace plugscope
