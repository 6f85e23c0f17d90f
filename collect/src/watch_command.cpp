#include "tev/collect/watch_command.hpp"

#include "tev/cli/exit_code.hpp"

namespace tev::collect {

int RunWatch(cli::CommandArgs /*args*/, std::ostream& /*out*/, std::ostream& err) {
    err << "tev watch: not built yet\n";
    return cli::ToInt(cli::ExitCode::Failed);
}

} // namespace tev::collect
