#include "workspace/Workspace.h"

Workspace::Workspace(const ProgramFolder& folder, QObject* parent) : QObject(parent), m_folder(folder) {}
