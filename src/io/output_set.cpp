#include "io/output_set.hpp"

#include <cerrno>

#include "io/signal_cleanup.hpp"
#include "io/streams.hpp"
#include "io/system_files.hpp"

namespace textdump {

namespace sys = system_files;

namespace {

OutputReport problem(OutputProblem what, std::size_t output, std::size_t other = 0,
                     int error = 0) {
  return OutputReport{what, output, other, error};
}

int write_pieces(int fd, const std::vector<std::string>& pieces) {
  for (const std::string& piece : pieces)
    if (const int error = write_all(fd, piece); error != 0) return error;
  return 0;
}

} // namespace

void OutputSet::add_input(std::string which, const FileId& id) {
  inputs_.push_back({std::move(which), id});
}

std::size_t OutputSet::declare(std::string role, std::string name) {
  outputs_.push_back({});
  outputs_.back().role = std::move(role);
  outputs_.back().name = std::move(name);
  return outputs_.size() - 1;
}

void OutputSet::set_bytes(std::size_t output, std::string bytes) {
  outputs_[output].pieces.assign(1, std::move(bytes));
}

void OutputSet::set_bytes(std::size_t output, std::vector<std::string> pieces) {
  outputs_[output].pieces = std::move(pieces);
}


// Where the output goes and which file that is, without writing anything.
OutputReport OutputSet::inspect(std::size_t index) {
  Output& out = outputs_[index];
  if (out.name == "-") {
    for (std::size_t k = 0; k < index; ++k)
      if (outputs_[k].name == "-") return problem(OutputProblem::second_standard_output, index, k);
    out.direct = true;
    out.id = file_id_of(STANDARD_OUTPUT);
    return {};
  }
  out.path = sys::resolve_links(name_until_nul(out.name));
  sys::Status st;
  if (sys::status(out.path, st)) {
    out.existed = true;
    out.mode = st.mode;
    if (st.kind == sys::Kind::directory)
      return problem(OutputProblem::cannot_create, index, 0, EISDIR);
    if (st.kind == sys::Kind::other) {
      // Opened only when written: a FIFO's open waits for its reader.
      out.direct = true;
      out.id = sys::identity(out.path);
      return {};
    }
    // It is replaced only if it could be written in place.
    const int fd = sys::open_write(out.path, false);
    if (fd < 0) return problem(OutputProblem::cannot_create, index, 0, errno);
    out.id = file_id_of(fd);
    sys::close(fd);
    return {};
  }
  if (errno != ENOENT || !sys::name_key(out.path, out.key))
    return problem(OutputProblem::cannot_create, index, 0, errno);
  return {};
}

OutputReport OutputSet::check() {
  for (std::size_t i = 0; i < outputs_.size(); ++i) {
    if (const OutputReport inspected = inspect(i); !inspected.ok()) return inspected;
    const Output& out = outputs_[i];
    for (std::size_t k = 0; k < inputs_.size(); ++k)
      if (same_file(out.id, inputs_[k].id)) return problem(OutputProblem::is_input, i, k);
    for (std::size_t k = 0; k < i; ++k)
      if (same_file(out.id, outputs_[k].id) || (!out.key.empty() && out.key == outputs_[k].key))
        return problem(OutputProblem::is_output, i, k);
  }
  return {};
}

OutputReport OutputSet::write_temporary(std::size_t index) {
  Output& out = outputs_[index];
  const std::size_t folder = folder_part(out.path).size();
  const std::string stem = out.path.substr(0, folder) + "." + out.path.substr(folder) +
                           ".textdump-" + std::to_string(sys::process_id()) + "-";
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    fd = sys::open_write(stem + std::to_string(attempt), true);
    if (fd >= 0) {
      out.temporary = stem + std::to_string(attempt);
      remove_on_signal(out.temporary);
    }
    else if (errno != EEXIST)
      break;
  }
  if (fd < 0) return problem(OutputProblem::cannot_create, index, 0, errno);
  if (out.existed) sys::set_mode(fd, out.mode);
  int error = write_pieces(fd, out.pieces);
  if (sys::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return problem(OutputProblem::cannot_write, index, 0, error);
  return {};
}

OutputReport OutputSet::write_direct(std::size_t index) {
  const Output& out = outputs_[index];
  if (out.name == "-") {
    const int error = write_pieces(STANDARD_OUTPUT, out.pieces);
    if (error != 0) return problem(OutputProblem::cannot_write, index, 0, error);
    return {};
  }
  const int fd = sys::open_write(out.path, false);
  if (fd < 0) return problem(OutputProblem::cannot_create, index, 0, errno);
  int error = write_pieces(fd, out.pieces);
  if (sys::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return problem(OutputProblem::cannot_write, index, 0, error);
  return {};
}

void OutputSet::remove_temporaries() {
  for (Output& out : outputs_) {
    if (!out.temporary.empty()) sys::remove(out.temporary);
    forget_on_signal(out.temporary);
    out.temporary.clear();
  }
}

OutputReport OutputSet::commit() {
  OutputReport failed;
  for (std::size_t i = 0; failed.ok() && i < outputs_.size(); ++i)
    if (!outputs_[i].direct) failed = write_temporary(i);
  for (std::size_t i = 0; failed.ok() && i < outputs_.size(); ++i)
    if (outputs_[i].direct) failed = write_direct(i);
  for (std::size_t i = 0; failed.ok() && i < outputs_.size(); ++i) {
    Output& out = outputs_[i];
    if (out.temporary.empty()) continue;
    if (!sys::rename(out.temporary, out.path)) {
      failed = problem(OutputProblem::cannot_write, i, 0, errno);
    } else {
      forget_on_signal(out.temporary);
      out.temporary.clear();
    }
  }
  remove_temporaries();
  return failed;
}

bool is_special_file(const std::string& name) {
  sys::Status st;
  return sys::status(name_until_nul(name), st) && st.kind == sys::Kind::other;
}

} // namespace textdump
