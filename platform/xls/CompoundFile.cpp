#include "platform/xls/CompoundFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <map>
#include <memory>
#include <mutex>

namespace xls {
namespace {

struct Unref {
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <class T> using GPtr = std::unique_ptr<T, Unref>;

void initGsf()
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

std::string takeError(GError* err, const std::string& fallback)
{
    if (!err)
        return fallback;
    std::string text = err->message ? err->message : fallback;
    g_error_free(err);
    return text;
}

bool readTree(GsfInfile* dir, const std::string& prefix, std::vector<CompoundStream>& streams, std::string& error)
{
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char* name = gsf_infile_name_by_index(dir, i);
        GPtr<GsfInput> child(gsf_infile_child_by_index(dir, i));
        if (!child || !name) {
            error = "unreadable entry in the container";
            return false;
        }
        const std::string path = prefix.empty() ? name : prefix + "/" + name;
        if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
            if (!readTree(GSF_INFILE(child.get()), path, streams, error))
                return false;
            continue;
        }
        CompoundStream s;
        s.path = path;
        const gsf_off_t size = gsf_input_size(child.get());
        if (size < 0) {
            error = "unreadable stream " + path;
            return false;
        }
        s.data.resize(size_t(size));
        if (size > 0 && !gsf_input_read(child.get(), size_t(size), s.data.data())) {
            error = "stream " + path + " ends early";
            return false;
        }
        streams.push_back(std::move(s));
    }
    return true;
}

} // namespace

bool ReadCompoundFile(const std::string& file, std::vector<CompoundStream>& streams, std::string& error)
{
    initGsf();
    streams.clear();
    GError* err = nullptr;
    GPtr<GsfInput> input(gsf_input_stdio_new(file.c_str(), &err));
    if (!input) {
        error = takeError(err, "cannot open " + file);
        return false;
    }
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &err));
    if (!ole) {
        error = takeError(err, "not a compound file");
        return false;
    }
    return readTree(ole.get(), std::string(), streams, error);
}

bool WriteCompoundFile(const std::string& file, const std::vector<CompoundStream>& streams, std::string& error)
{
    initGsf();
    GError* err = nullptr;
    // The stdio sink writes a temporary file beside the target and renames it on a successful close.
    GPtr<GsfOutput> sink(gsf_output_stdio_new(file.c_str(), &err));
    if (!sink) {
        error = takeError(err, "cannot create " + file);
        return false;
    }
    GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    bool ok = bool(ole);
    if (!ok)
        error = "cannot start the container";
    // Storages by path; the root is the container itself. Children must be closed before their parents.
    std::map<std::string, GsfOutfile*> storages;
    std::vector<GsfOutput*> opened;
    auto storage = [&](const std::string& path, auto& self) -> GsfOutfile* {
        if (path.empty())
            return ole.get();
        if (auto it = storages.find(path); it != storages.end())
            return it->second;
        const size_t slash = path.rfind('/');
        GsfOutfile* parent = self(slash == std::string::npos ? std::string() : path.substr(0, slash), self);
        if (!parent)
            return nullptr;
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        GsfOutput* dir = gsf_outfile_new_child(parent, name.c_str(), TRUE);
        if (!dir)
            return nullptr;
        opened.push_back(dir);
        return storages[path] = GSF_OUTFILE(dir);
    };
    for (const CompoundStream& s : streams) {
        if (!ok)
            break;
        const size_t slash = s.path.rfind('/');
        GsfOutfile* parent = storage(slash == std::string::npos ? std::string() : s.path.substr(0, slash), storage);
        const std::string name = slash == std::string::npos ? s.path : s.path.substr(slash + 1);
        GsfOutput* out = parent ? gsf_outfile_new_child(parent, name.c_str(), FALSE) : nullptr;
        if (!out) {
            error = "cannot create stream " + s.path;
            ok = false;
            break;
        }
        ok = (s.data.empty() || gsf_output_write(out, s.data.size(), s.data.data())) && gsf_output_close(out);
        if (!ok)
            error = "cannot write stream " + s.path;
        g_object_unref(out);
    }
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) {
        if (!gsf_output_close(*it) && ok) {
            ok = false;
            error = "cannot close a storage";
        }
        g_object_unref(*it);
    }
    // An error set on the sink before it closes makes it drop its temporary file instead of renaming it.
    if (!ok)
        gsf_output_set_error(sink.get(), 0, "%s", error.c_str());
    // Closing the container closes the sink under it.
    if (ole && !gsf_output_close(GSF_OUTPUT(ole.get())) && ok) {
        ok = false;
        error = "cannot finish the container";
    }
    if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get()) && ok)
        ok = false;
    if (ok && gsf_output_error(sink.get())) {
        const GError* e = gsf_output_error(sink.get());
        error = e->message ? e->message : "cannot write " + file;
        ok = false;
    }
    return ok;
}

} // namespace xls
