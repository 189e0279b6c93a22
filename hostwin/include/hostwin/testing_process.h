// Test controls of this area, declared by the area that implements it.
#pragma once
