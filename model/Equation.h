#pragma once
// The equation language of the map items (variable x) and its evaluator.
// (Interface to be completed by its implementer.)
