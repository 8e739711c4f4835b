// Loading and unloading the library run its units' start-up and shut-down, as a host's
// library loader would call Initialize and Finalize: here the ELF loader does it, through the
// object's constructor and destructor lists.
namespace zarix::detail {
void LoadPackageUnits();
void UnloadPackageUnits();
}  // namespace zarix::detail

namespace {

__attribute__((constructor)) void RunOnLoad() { zarix::detail::LoadPackageUnits(); }
__attribute__((destructor)) void RunOnUnload() { zarix::detail::UnloadPackageUnits(); }

}  // namespace
