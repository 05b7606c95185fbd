#include "viewer/render_commands.h"

namespace kelvara {
namespace viewer {

int applyPendingCommand(CommandMailbox* mailbox, RenderState* state, CloudView* view) {
  const PipeCommand* command = mailbox->pending();
  if (command == nullptr) return 0;
  const int kind = command->kind;
  switch (kind) {
    case CMD_ANGLE_TABLE:
      // The new table replaces the old one even when it is empty; the slot
      // is free again before the centre search.
      state->table = readAngleTable(command->path, kGridColumns);
      mailbox->markTaken();
      if (!state->table.empty()) findOpticalCenter(state->table, &state->center);
      return kind;
    case CMD_DISTANCE_DATA:
      state->cloud = buildCloudFromDistances(command->path, state->settings, state->table, state->center);
      view->showCloud(state->cloud);
      break;
    case CMD_DISTANCE_RANGE:
      state->settings.rangeMin = command->rangeMin;
      state->settings.rangeMax = command->rangeMax;
      view->placeCameraForRange(state->settings.rangeMin, state->settings.rangeMax);
      break;
    case CMD_DISTANCE_RATIO: state->settings.ratio = command->ratio; break;
    case CMD_COLOR_RANGE:
      state->settings.colorMin = command->colorMin;
      state->settings.colorMax = command->colorMax;
      break;
    case CMD_COORDINATE_DATA:
      state->cloud = buildCloudFromCoordinates(command->path, state->settings);
      view->showCloud(state->cloud);
      break;
    default: break;
  }
  mailbox->markTaken();
  return kind;
}

}  // namespace viewer
}  // namespace kelvara
