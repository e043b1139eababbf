// Placeholder: the demo generator's tone table.
#pragma once
