// Compile-time stand-in for the CLDC class; never packed into a suite.
package java.lang;

public class Object {
    public Object() {
    }
}
// SPDX-License-Identifier: MIT
