// The form contract on MemoryForm.
#include <memory>
#include <utility>

#include "contract/form_contract.h"
#include "form/memory_form.h"

namespace {

class MemoryBackend : public ce::ContractBackend {
public:
    MemoryBackend() {
        form_.set_command_sink([this](std::uint32_t wparam) { commands_.push_back(wparam); });
    }
    ce::Form& form() override { return form_; }
    void click(int id) override { form_.click(id); }
    void type(int id, std::string_view chars) override { form_.type(id, chars); }
    void spin(int spin_id, int steps) override { form_.spin(spin_id, steps); }
    void choose(int id, int index) override { form_.choose(id, index); }
    std::vector<std::uint32_t> take_commands() override { return std::exchange(commands_, {}); }
    int take_beeps() override {
        const int beeps = form_.beeps() - beeps_taken_;
        beeps_taken_ = form_.beeps();
        return beeps;
    }
    std::string text_at(int id, int occurrence) override { return form_.text_at(id, occurrence); }

private:
    ce::MemoryForm form_;
    std::vector<std::uint32_t> commands_;
    int beeps_taken_ = 0;
};

}  // namespace

CE_INSTANTIATE_FORM_CONTRACT(Memory, [] { return std::unique_ptr<ce::ContractBackend>(new MemoryBackend()); });
