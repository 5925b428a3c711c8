// The plan as apply /check /json and restore /check /json print it: one JSON document, versioned
// like the configuration file, with every change and each value before and after, then the
// counts:
//     {"formatVersion": 1,
//      "changes": [{"action": "change", "kind": "class", "name": "{...}", "progId": "P",
//                   "values": [{"name": "JvmId", "before": "Old", "after": "MyJVM"},
//                              {"comKey": "CLSID\\{...}\\InprocServer32", "name": "",
//                               "before": null, "after": "C:\\VOLM\\bin\\VOLM.dll"},
//                              {"comKey": "Old.Prog\\CLSID", "deleted": true}]}],
//      "added": 0, "changed": 1, "removed": 0}
// A side that is no value is null, a REG_SZ value its text, any other {"shown": "REG_DWORD 0x1"}.
// The document is written whole at the end: a plan that fails part-way prints none of it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "model/textChunks.h"
#include "plan/applyPlanner.h"
#include "plan/planDetail.h"

namespace volmora::config {

class PlanJson : public PlanListener {
  public:
    explicit PlanJson(TextChunks& out);
    ~PlanJson() override;
    PlanJson(const PlanJson&) = delete;
    PlanJson& operator=(const PlanJson&) = delete;
    bool wantsEveryRecordsValues() const override { return true; }
    void record(ChangeKind kind, Collection collection, std::wstring_view name,
                std::wstring_view progId, const std::vector<PlanDetail>& details) override;
    // A change of anything a plan names: "key" for restore's keys.
    void change(ChangeKind kind, std::wstring_view noun, std::wstring_view name,
                std::wstring_view progId, const std::vector<PlanDetail>& details);
    // Writes the document, UTF-8 with two-space indentation and a final line feed, and hands it
    // on. leftAlone: restore's keys left alone, changed since ("<key>: <why>"), listed when any.
    void finish(std::size_t added, std::size_t changed, std::size_t removed,
                const std::vector<std::wstring>& leftAlone = {});

  private:
    // The changes so far, in the JSON library's form, which this header keeps to itself.
    struct Changes;

    TextChunks& out_;
    std::unique_ptr<Changes> changes_;
};

}  // namespace volmora::config
