#!/usr/bin/env bash
echo "smoke test not written yet"
