#include "drivers/open_engine.h"

#include "jet_engine/file_stamp.h"
#include "jet_engine/jet_engine.h"
#include "odbc/odbc_engine.h"

namespace drivers {

store::Capabilities capabilities(const store::StoreLocation& where) {
    store::Capabilities can;
    can.shared_by_pcs = where.on_server();
    can.single_file = !where.on_server();
    return can;
}

std::string connection_text(const store::StoreLocation& where) {
    if (where.on_server()) return where.odbc;
    std::string text = "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + where.path;
    if (!where.password.empty()) text += ";Jet OLEDB:Database Password=" + where.password + ";";
    return text;
}

std::optional<std::optional<std::uint64_t>> peek_change_stamp(const store::StoreLocation& where) {
    if (where.on_server()) return std::nullopt;
    return store::read_file_stamp(where.path).value;
}

store::Result<std::unique_ptr<store::Engine>> open_engine(jet::FileSystem& fs,
                                                          const store::StoreLocation& where,
                                                          bool lock) {
    if (where.on_server()) return odbc::open_engine(where.odbc);
    return store::open_jet_engine(fs, where.path, where.password, lock);
}

}  // namespace drivers
